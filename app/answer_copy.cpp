#include "app/answer_copy.h"

namespace app {

std::string CopiedAnswerText(std::string_view question, std::string_view answer) {
    std::string text = "题目：";
    text += question;
    text += '\r';
    text += "答案：";
    text += answer;
    text += '\r';
    text += kCreditLine;
    return text;
}

}  // namespace app
