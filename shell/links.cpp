#include "shell/links.h"

#include <array>

namespace shell {
namespace {

constexpr std::array<std::string_view, kLinkCount> kAddresses = {
    "http://www.tovi.com/",                                  // "Tovi首页"
    "http://news.tovi.com/",                                 // "新闻中心"
    "http://ardo.tovi.com/",                                 // "Ardo首页"
    "http://bbs.tovi.com/",                                  // "火爆论坛"
    "http://down.tovi.com/netgame/h010/h00/1000858.shtml",   // "游戏下载"
};

}  // namespace

std::string LinkText() {
    std::string text;
    for (std::size_t i = 0; i < kAddresses.size(); ++i) {
        text += kAddresses[i];
        if (i + 1 < kAddresses.size()) text += '|';
    }
    return text;
}

std::vector<std::string> SplitLinkText(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {std::string()};
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);

    std::vector<std::string> pieces;
    for (;;) {
        const auto bar = text.find('|');
        pieces.emplace_back(text.substr(0, bar));
        if (bar == std::string_view::npos) return pieces;
        text.remove_prefix(bar + 1);
    }
}

LinkTable BuildLinkTable() { return SplitLinkText(LinkText()); }

}  // namespace shell
