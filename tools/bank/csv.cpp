#include "tools/bank/csv.h"

namespace bankcli {

size_t FirstBadUtf8Line(std::string_view s) {
    size_t line = 1;
    size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b == '\n') ++line;
        if (b < 0x80) {
            ++i;
            continue;
        }
        size_t len = 0;
        char32_t cp = 0;
        if (b >= 0xC2 && b <= 0xDF) { len = 2; cp = b & 0x1F; }
        else if (b >= 0xE0 && b <= 0xEF) { len = 3; cp = b & 0x0F; }
        else if (b >= 0xF0 && b <= 0xF4) { len = 4; cp = b & 0x07; }
        else return line;
        if (i + len > s.size()) return line;
        for (size_t k = 1; k < len; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80) return line;
            cp = (cp << 6) | (c & 0x3F);
        }
        if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return line;
        }
        i += len;
    }
    return 0;
}

CsvParse ParseCsv(std::string_view text) {
    CsvParse result;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    if (const size_t bad = FirstBadUtf8Line(text)) {
        result.error = "line " + std::to_string(bad) + ": the text is not valid UTF-8";
        return result;
    }
    size_t i = 0, line = 1;
    const auto fail = [&](size_t at, const std::string& what) {
        result.error = "line " + std::to_string(at) + ": " + what;
        return result;
    };
    while (i < text.size()) {
        CsvRecord record;
        record.line = line;
        // A record that is only a line break is a blank line.
        if (text[i] == '\n' || (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            i += text[i] == '\r' ? 2 : 1;
            ++line;
            continue;
        }
        while (true) {
            CsvField field;
            if (i < text.size() && text[i] == '"') {
                field.quoted = true;
                const size_t openedAt = line;
                ++i;
                while (true) {
                    if (i >= text.size()) return fail(openedAt, "a quoted field is not closed");
                    const char c = text[i];
                    if (c == '"') {
                        if (i + 1 < text.size() && text[i + 1] == '"') {
                            field.text += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    if (c == '\n') ++line;
                    field.text += c;
                    ++i;
                }
                if (i < text.size() && text[i] != ',' && text[i] != '\n' && !(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
                    return fail(line, "text after the closing quote of a field");
                }
            } else {
                while (i < text.size() && text[i] != ',' && text[i] != '\n') {
                    if (text[i] == '\r') {
                        if (i + 1 < text.size() && text[i + 1] == '\n') break;
                        return fail(line, "a carriage return inside an unquoted field");
                    }
                    if (text[i] == '"') return fail(line, "a quote inside an unquoted field (quote the whole field)");
                    field.text += text[i++];
                }
            }
            record.fields.push_back(std::move(field));
            if (i < text.size() && text[i] == ',') {
                ++i;
                continue;
            }
            break;
        }
        if (i < text.size()) {   // the record's line break
            i += text[i] == '\r' ? 2 : 1;
            ++line;
        }
        result.records.push_back(std::move(record));
    }
    return result;
}

std::string CsvCell(const std::optional<std::string>& value) {
    if (!value) return {};
    const std::string& v = *value;
    if (!v.empty() && v.find_first_of(",\"\r\n") == std::string::npos) return v;
    std::string out = "\"";
    for (char c : v) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

}  // namespace bankcli
