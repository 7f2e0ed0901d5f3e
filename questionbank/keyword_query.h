// The query text a keyword search sends: the keyword is matched anywhere in
// a question's PinYin or in its text. The keyword is used as typed ('%' and
// '_' stay wildcards), except that each apostrophe is doubled so that it is
// searched for instead of ending the quoted text.
#pragma once
#include <string>
#include <string_view>

namespace questionbank {

// "select distinct Question,Answer,PinYin from wd where pinyin like '%K%' or
// question like '%K%' " (one trailing blank), K being the keyword.
std::string KeywordQuerySql(std::string_view keyword);

}  // namespace questionbank
