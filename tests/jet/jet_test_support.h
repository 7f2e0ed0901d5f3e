// Helpers shared by the engine's tests: fixture files, CSV parsing, small
// builders of damaged databases.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace jet::testing {

inline std::string FixturePath(const std::string& name) {
    return std::string(TOVI_SHARED_DIR) + "/fixtures/jet/" + name;
}

inline std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<uint8_t> ReadFixture(const std::string& name) { return ReadFile(FixturePath(name)); }

// One CSV field: its text, and whether it was quoted (an empty unquoted field
// is NULL in the exports we compare against).
struct CsvField {
    std::string text;
    bool quoted = false;
};
using CsvRecord = std::vector<CsvField>;

// RFC 4180: fields separated by commas, records by CRLF or LF; quoted fields
// may hold commas, line breaks and doubled quotes.
inline std::vector<CsvRecord> ParseCsv(const std::string& s) {
    std::vector<CsvRecord> records;
    CsvRecord record;
    CsvField field;
    size_t i = 0;
    bool fieldStarted = false;
    auto endField = [&] {
        record.push_back(std::move(field));
        field = CsvField{};
        fieldStarted = false;
    };
    auto endRecord = [&] {
        endField();
        records.push_back(std::move(record));
        record.clear();
    };
    while (i < s.size()) {
        const char ch = s[i];
        if (ch == '"' && !fieldStarted) {
            field.quoted = true;
            fieldStarted = true;
            ++i;
            while (i < s.size()) {
                if (s[i] == '"') {
                    if (i + 1 < s.size() && s[i + 1] == '"') {
                        field.text.push_back('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field.text.push_back(s[i++]);
            }
        } else if (ch == ',') {
            endField();
            ++i;
        } else if (ch == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
            endRecord();
            i += 2;
        } else if (ch == '\n') {
            endRecord();
            ++i;
        } else {
            field.text.push_back(ch);
            fieldStarted = true;
            ++i;
        }
    }
    if (fieldStarted || !record.empty()) endRecord();
    return records;
}

inline uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 | static_cast<uint32_t>(b[at + 2]) << 16 |
           static_cast<uint32_t>(b[at + 3]) << 24;
}
inline uint16_t Get16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (size_t i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
constexpr size_t kPage = 4096;

// Offset of the row-offset entry of row `row` on page `page`.
inline size_t RowEntryAt(uint32_t page, uint32_t row) { return page * kPage + 14 + 2 * row; }
// Offset of the first byte of row `row` on page `page`.
inline size_t RowAt(const std::vector<uint8_t>& b, uint32_t page, uint32_t row) {
    return page * kPage + (Get16(b, RowEntryAt(page, row)) & 0x1FFF);
}

// Writes bytes to a file under the build tree, for the command-line readers.
inline std::string WriteTemp(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = std::string(TOVI_BINARY_DIR) + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
}

}  // namespace jet::testing
