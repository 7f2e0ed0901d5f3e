// Independent readers of Jet files for round-trip tests: mdbtools' command
// line tools and the mdb-reader package (through tests/jet/oracle/). On
// Windows neither exists and the tests that need them are skipped; on Linux
// they must be installed (scripts/install-deps.sh) and their absence fails.
#pragma once
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#ifndef _WIN32
#include <sys/wait.h>
#endif
#include <optional>
#include <string>
#include <vector>

namespace jet_test {

using Cell = std::optional<std::string>;   // nullopt: NULL (or, for mdb-export, an unquoted empty cell)
using Rows = std::vector<std::vector<Cell>>;

struct CommandResult {
    int exitCode = -1;
    std::string out;
};

struct ExportResult {
    bool ok = false;
    std::vector<std::string> header;
    Rows rows;
};

struct MdbReaderResult {
    bool ok = false;
    std::string error;
    std::optional<std::string> password;
    std::vector<std::string> tables;
    long long rowCount = -1;
    std::vector<std::string> columns;
    Rows rows;
};

namespace detail {
inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (const char c : s) {
        if (c == '\'') q += "'\\''";
        else q += c;
    }
    return q + "'";
}

inline std::string FromHex(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

inline std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    if (s.empty()) return parts;
    std::string cur;
    for (const char c : s) {
        if (c == sep) {
            parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    parts.push_back(cur);
    return parts;
}

inline std::string DumpScript() { return std::string(TOVI_SOURCE_DIR) + "/tests/jet/oracle/mdb_reader_dump.mjs"; }
}  // namespace detail
using namespace detail;

inline CommandResult RunCommand(const std::string& command) {
    CommandResult result;
#ifdef _WIN32
    (void)command;
#else
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[65536];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    return result;
}

// True when the oracles can run here: never on Windows. On Linux a missing
// tool is a failure (MissingOracle names it), not a reason to skip.
inline bool OraclesSupported() {
#ifdef _WIN32
    return false;
#else
    return true;
#endif
}

inline std::string MissingOracle() {
    for (const char* tool : {"mdb-export", "mdb-tables", "mdb-ver", "node"}) {
        if (RunCommand(std::string("command -v ") + tool + " >/dev/null 2>&1").exitCode != 0) return tool;
    }
    const auto probe = RunCommand("node " + Quote(DumpScript()) + " 2>&1");
    if (probe.out.find("usage:") == std::string::npos) return "mdb-reader (node package): " + probe.out;
    return "";
}

// Writes bytes to a file under the build tree and returns its path.
inline std::string WriteTempFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::filesystem::path dir = std::filesystem::path(TOVI_BINARY_DIR) / "test-tmp" / "jet";
    std::filesystem::create_directories(dir);
    const std::filesystem::path path = dir / name;
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

// RFC 4180 as mdb-export writes it: quoted cells are text, an unquoted empty
// cell is NULL.
inline Rows ParseCsv(const std::string& text) {
    Rows rows;
    std::vector<Cell> row;
    size_t i = 0;
    while (i < text.size()) {
        Cell cell;
        if (text[i] == '"') {
            std::string value;
            ++i;
            while (i < text.size()) {
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        value += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += text[i++];
            }
            cell = value;
        } else {
            std::string value;
            while (i < text.size() && text[i] != ',' && text[i] != '\n') value += text[i++];
            if (!value.empty()) cell = value;
        }
        row.push_back(cell);
        if (i < text.size() && text[i] == ',') {
            ++i;
            if (i == text.size() || text[i] == '\n') row.push_back(std::nullopt);
            else continue;
        }
        if (i < text.size() && text[i] == '\n') ++i;
        rows.push_back(std::move(row));
        row.clear();
    }
    return rows;
}

inline ExportResult MdbExport(const std::string& path, const std::string& table) {
    ExportResult result;
    const auto run = RunCommand("mdb-export " + Quote(path) + " " + Quote(table));
    if (run.exitCode != 0) return result;
    Rows rows = ParseCsv(run.out);
    if (rows.empty()) return result;
    for (const Cell& c : rows.front()) result.header.push_back(c.value_or(""));
    result.rows.assign(rows.begin() + 1, rows.end());
    result.ok = true;
    return result;
}

inline MdbReaderResult MdbReaderDump(const std::string& path, const std::string& table) {
    MdbReaderResult result;
    const auto run = RunCommand("node " + Quote(DumpScript()) + " " + Quote(path) + " " + Quote(table) + " 2>&1");
    if (run.exitCode != 0) {
        result.error = run.out;
        return result;
    }
    std::istringstream in(run.out);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("password ", 0) == 0) {
            const std::string v = line.substr(9);
            if (v != "-") result.password = FromHex(v);
        } else if (line.rfind("tables ", 0) == 0 || line == "tables") {
            for (const auto& t : Split(line.size() > 7 ? line.substr(7) : "", ',')) result.tables.push_back(FromHex(t));
        } else if (line.rfind("rowcount ", 0) == 0) {
            result.rowCount = std::stoll(line.substr(9));
        } else if (line.rfind("columns ", 0) == 0) {
            for (const auto& c : Split(line.substr(8), ',')) result.columns.push_back(FromHex(c));
        } else {
            std::vector<Cell> row;
            for (const auto& cell : Split(line, ' ')) {
                if (cell == "-") row.push_back(std::nullopt);
                else row.push_back(FromHex(cell.substr(1)));
            }
            result.rows.push_back(std::move(row));
        }
    }
    result.ok = true;
    return result;
}

}  // namespace jet_test

#define SKIP_WITHOUT_ORACLES()                                                        \
    do {                                                                              \
        if (!jet_test::OraclesSupported()) GTEST_SKIP() << "no Jet oracles on this platform"; \
        const std::string missing = jet_test::MissingOracle();                        \
        ASSERT_TRUE(missing.empty()) << "oracle missing: " << missing                 \
                                     << " (run scripts/install-deps.sh)";             \
    } while (0)
