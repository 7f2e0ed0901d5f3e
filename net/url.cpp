#include "net/url.h"

#include "base/text.h"

namespace net {
namespace {

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && base::AsciiLower(s.substr(0, prefix.size())) == prefix;
}

}  // namespace

base::Result<UrlParts> ParseURL(std::string_view url) {
    const std::string whole(url);
    UrlParts parts;
    if (StartsWithNoCase(url, "http://")) {
        url.remove_prefix(7);
    } else if (StartsWithNoCase(url, "https://")) {
        url.remove_prefix(8);
        parts.secure = true;
        parts.port = 443;
    }

    // The host ends at the first "/" or, for "host?query", at the "?".
    std::string_view host = url;
    const size_t cut = url.find_first_of("/?");
    if (cut != std::string_view::npos) {
        host = url.substr(0, cut);
        parts.path = std::string(url.substr(cut));
        if (parts.path[0] == '?') parts.path.insert(0, 1, '/');
    }

    const size_t colon = host.find(':');
    if (colon != std::string_view::npos) {
        const std::string_view digits = host.substr(colon + 1);
        host = host.substr(0, colon);
        if (digits.empty() || digits.size() > 5)
            return base::Error{"the port in \"" + whole + "\" is not a number from 1 to 65535"};
        uint32_t port = 0;
        for (char c : digits) {
            if (c < '0' || c > '9')
                return base::Error{"the port in \"" + whole + "\" is not a number from 1 to 65535"};
            port = port * 10 + uint32_t(c - '0');
        }
        if (port == 0 || port > 65535)
            return base::Error{"the port in \"" + whole + "\" is not a number from 1 to 65535"};
        parts.port = uint16_t(port);
    }
    if (host.empty()) return base::Error{"the address \"" + whole + "\" names no host"};
    parts.host = std::string(host);
    return parts;
}

}  // namespace net
