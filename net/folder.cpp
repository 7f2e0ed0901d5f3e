#include "net/folder.h"

namespace net {

std::string NormalisePath(std::string_view path) {
    std::string slashed(path);
    for (char& c : slashed) {
        if (c == '/') c = '\\';
    }
    std::string single;
    single.reserve(slashed.size());
    for (size_t i = 0; i < slashed.size(); ++i) {
        single.push_back(slashed[i]);
        if (slashed[i] == '\\' && i + 1 < slashed.size() && slashed[i + 1] == '\\') ++i;
    }
    std::string out;
    out.reserve(single.size());
    for (char c : single) {
        if (c != '\0') out.push_back(c);
    }
    return out;
}

std::optional<FolderPlan> PlanFolders(std::string_view path) {
    const size_t colon = path.find(':');
    if (colon == std::string_view::npos) return std::nullopt;

    FolderPlan plan;
    plan.drive = std::string(path.substr(0, colon + 1));
    std::string_view folders = path.substr(colon + 1);
    if (path.find('.') != std::string_view::npos) {
        const size_t lastSlash = path.rfind('\\');
        folders = (lastSlash == std::string_view::npos || lastSlash <= colon)
                      ? std::string_view{}
                      : path.substr(colon + 1, lastSlash - colon);
    }
    if (!folders.empty() && folders.front() == '\\') folders.remove_prefix(1);
    if (!folders.empty() && folders.back() == '\\') folders.remove_suffix(1);
    plan.folders = std::string(folders);

    std::string prefix;
    size_t start = 0;
    while (start <= folders.size() && !folders.empty()) {
        size_t end = folders.find('\\', start);
        if (end == std::string_view::npos) end = folders.size();
        if (!prefix.empty()) prefix.push_back('\\');
        prefix.append(folders.substr(start, end - start));
        if (end > start) plan.prefixes.push_back(prefix);
        start = end + 1;
    }
    return plan;
}

}  // namespace net
