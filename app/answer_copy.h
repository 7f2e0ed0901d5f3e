// The text the copy area puts on the clipboard: the shown question and answer
// and a credit line. Lines end in a bare carriage return, with no line feed.
#pragma once
#include <string>
#include <string_view>

namespace app {

inline constexpr std::string_view kCreditLine = "(此答题内容来至Tovi Ardo答题器 http://ardo.tovi.com)";

// "题目：" question CR "答案：" answer CR credit line (UTF-8).
std::string CopiedAnswerText(std::string_view question, std::string_view answer);

}  // namespace app
