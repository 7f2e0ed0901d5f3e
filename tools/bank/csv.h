// CSV as RFC 4180 writes it: fields separated by commas, records by CRLF (a
// bare LF is accepted too), fields holding a comma, quote or line break in
// double quotes with quotes doubled. The text is UTF-8; a leading byte order
// mark is dropped. An empty field without quotes stands for NULL, a quoted
// empty field for an empty text.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bankcli {

struct CsvField {
    std::string text;
    bool quoted = false;
    bool IsNull() const { return !quoted && text.empty(); }
};

struct CsvRecord {
    size_t line = 0;   // line on which the record starts, from 1
    std::vector<CsvField> fields;
};

struct CsvParse {
    std::vector<CsvRecord> records;   // blank lines are skipped
    std::string error;                // "line N: ..." when the text is not valid CSV
    bool ok() const { return error.empty(); }
};

CsvParse ParseCsv(std::string_view text);

// One field as written: NULL as an empty unquoted field, everything else
// quoted when it must be (empty, or holding a comma, quote, CR or LF).
std::string CsvCell(const std::optional<std::string>& value);

// Checks that `text` is well-formed UTF-8; returns the 1-based line of the
// first bad byte, or 0 when all is well.
size_t FirstBadUtf8Line(std::string_view text);

}  // namespace bankcli
