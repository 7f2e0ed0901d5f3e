#include "questionbank/keyword_query.h"

namespace questionbank {

std::string KeywordQuerySql(std::string_view keyword) {
    std::string k;
    k.reserve(keyword.size());
    for (char c : keyword) {
        if (c == '\'') k += '\'';
        k += c;
    }
    return "select distinct Question,Answer,PinYin from wd where pinyin like '%" + k + "%' or question like '%" + k + "%' ";
}

}  // namespace questionbank
