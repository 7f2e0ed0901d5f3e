#include "tools/bank/bank_tool.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <new>
#include <stdexcept>
#include <optional>

#include "base/sha256.h"
#include "base/text.h"
#include "jet/database.h"
#include "jet/sql.h"
#include "questionbank/access_db.h"
#include "questionbank/bank_file.h"
#include "questionbank/bank_manifest.h"
#include "questionbank/bank_update.h"
#include "questionbank/file_access.h"
#include "questionbank/keyword_query.h"
#include "questionbank/keyword_search.h"
#include "tools/bank/csv.h"
#include "tools/bank/pinyin.h"

namespace bankcli {

namespace {

constexpr const char* kUsage =
    "Usage: tovi-bank COMMAND [ARGUMENTS]\n"
    "\n"
    "Maintains the question bank. BANK is a scrambled bank (.dat) or a plain Jet\n"
    "database (any other extension).\n"
    "\n"
    "Commands:\n"
    "  info BANK                      version, tables with row counts, password check\n"
    "  export BANK [--table NAME]     a table (wd by default) as CSV on standard output\n"
    "  import CSV -o BANK             a new bank from CSV (Question,Answer[,PinYin])\n"
    "  search BANK KEYWORD [--explain] the rows the program lists for KEYWORD, as CSV\n"
    "  scramble IN OUT                scramble a plain database, or unscramble a bank\n"
    "  publish BANK -o DIR            DIR/wd.dat and DIR/wd.manifest for the program's update\n"
    "\n"
    "Options:\n"
    "  --password PW                  the database password of a plain file of other\n"
    "                                 origin (default: the bank's own password)\n"
    "  --help                         this text; COMMAND --help explains a command\n";

const std::map<std::string, std::string> kCommandHelp = {
    {"info",
     "Usage: tovi-bank info BANK [--password PW]\n"
     "\n"
     "Prints the Jet version, whether the password matches and, when it does, each\n"
     "table with its number of rows.\n"},
    {"export",
     "Usage: tovi-bank export BANK [--table NAME] [--password PW]\n"
     "\n"
     "Writes table NAME (wd by default) to standard output as CSV (RFC 4180, UTF-8,\n"
     "CRLF line ends): a header row of the column names, then one record per row in\n"
     "table order. NULL is an empty unquoted field; an empty text is \"\".\n"
     "Dates are written as ISO 8601, YYYY-MM-DD HH:MM:SS. Binary values (OLE\n"
     "objects, binary columns, types without a text form) are written as 0x\n"
     "followed by two hexadecimal digits per byte (0x for an empty value).\n"
     "Rows are written as they are read: if the table is damaged part way, the rows\n"
     "before the damage are out and the tool stops with a message (exit code 1).\n"},
    {"import",
     "Usage: tovi-bank import CSV -o BANK\n"
     "\n"
     "Builds a new bank holding table wd from a UTF-8 CSV file whose header names the\n"
     "columns Question and Answer and, optionally, PinYin (in any order and letter\n"
     "case). Where PinYin is missing (no such column, or an empty unquoted field) it\n"
     "is made from the question: the initial of each Chinese character's Mandarin\n"
     "reading as the words around it read it (银行 yh, 行走 xz), letters and digits\n"
     "in lower case, everything else left out.\n"
     "A BANK ending in .dat is scrambled with the bank's key; any other name gets a\n"
     "plain Jet database. Both carry the bank's password. An existing BANK is\n"
     "replaced only once the new file is complete.\n"},
    {"search",
     "Usage: tovi-bank search BANK KEYWORD [--explain] [--password PW]\n"
     "\n"
     "Runs the search the program runs when KEYWORD is typed into its search box and\n"
     "prints the rows it lists (Question, Answer, PinYin), in its order, as CSV:\n"
     "first the rows holding KEYWORD as typed in the question or the PinYin ('%' and\n"
     "'_' are wildcards there), then the rows found by the readings of the question's\n"
     "characters, by every blank-separated word, or by folded forms (letter case,\n"
     "full width, traditional and simplified characters, punctuation left out).\n"
     "When nothing matches a keyword of 8 characters or more, the most similar\n"
     "questions are listed, best first.\n"
     "--explain adds a last column Rule: exact, reading, words, folded or similar.\n"},
    {"scramble",
     "Usage: tovi-bank scramble IN OUT\n"
     "\n"
     "Applies the bank's byte transform to IN and writes OUT. The transform is its\n"
     "own inverse: it turns a plain database into a .dat bank and back.\n"},
    {"publish",
     "Usage: tovi-bank publish BANK -o DIR [--base-url URL]\n"
     "\n"
     "Checks that BANK opens with the bank's password and holds table wd with the\n"
     "columns Question, Answer and PinYin, then writes DIR/wd.dat (scrambled, as the\n"
     "program reads it) and DIR/wd.manifest, the lines of key=value the program's\n"
     "update reads: format=1, version (UTC time of publishing, YYYYMMDDThhmmssZ),\n"
     "size, sha256, questions and url. url is wd.dat, relative to the manifest's\n"
     "address, or URL/wd.dat with --base-url. Both files are written beside their\n"
     "places first and replace the old ones only once both are complete. The\n"
     "manifest is also printed.\n"},
};

struct Args {
    std::vector<std::string> positional;
    std::optional<std::string> password;
    std::optional<std::string> table;
    std::optional<std::string> output;
    std::optional<std::string> baseUrl;
    bool help = false;
    bool explain = false;
};

bool EndsWithDat(const std::string& path) {
    return path.size() >= 4 && base::AsciiLower(path.substr(path.size() - 4)) == ".dat";
}

// The whole file, or nullopt after a message naming the system's reason.
std::optional<std::vector<uint8_t>> ReadInput(const std::string& path, std::ostream& err) {
    std::string reason;
    auto bytes = questionbank::ReadWholeFile(questionbank::PathFromUtf8(path), &reason);
    if (!bytes) err << "tovi-bank: " << path << ": cannot read the file: " << reason << "\n";
    return bytes;
}

// Reads BANK: unscrambled when it is a .dat bank.
std::optional<std::vector<uint8_t>> ReadBank(const std::string& path, std::ostream& err) {
    auto bytes = ReadInput(path, err);
    if (!bytes) return std::nullopt;
    if (EndsWithDat(path)) questionbank::ScrambleBank(*bytes, questionbank::kBankKey);
    return bytes;
}

// Opens BANK with the given password, or else the bank's own; a plain file
// without a password opens without one.
std::optional<jet::Database> OpenBank(const std::string& path, const Args& a, std::ostream& err) {
    auto bytes = ReadBank(path, err);
    if (!bytes) return std::nullopt;
    const std::string password = a.password.value_or(std::string(questionbank::kBankPassword));
    auto db = jet::Database::Open(*bytes, password);
    if (!db && db.error().kind == jet::Error::BadPassword && !a.password) {
        auto plain = jet::Database::Open(*bytes, "");
        if (plain) return std::move(*plain);
    }
    if (!db) {
        err << "tovi-bank: " << path << ": " << db.error().message << "\n";
        return std::nullopt;
    }
    return std::move(*db);
}

void WriteCsvRow(std::ostream& out, const std::vector<std::optional<std::string>>& cells) {
    for (size_t i = 0; i < cells.size(); ++i) {
        if (i) out << ',';
        out << CsvCell(cells[i]);
    }
    out << "\r\n";
}

// The rows as CSV; with `rules`, a last column Rule naming what found each row.
void WriteResult(std::ostream& out, const jet::QueryResult& r, const std::vector<search::Rule>* rules = nullptr) {
    std::vector<std::optional<std::string>> cells;
    for (size_t c = 0; c < r.ColumnCount(); ++c) cells.emplace_back(r.ColumnName(c));
    if (rules) cells.emplace_back("Rule");
    WriteCsvRow(out, cells);
    for (size_t row = 0; row < r.RowCount(); ++row) {
        cells.clear();
        for (size_t c = 0; c < r.ColumnCount(); ++c) {
            if (r.IsNull(row, c)) cells.emplace_back(std::nullopt);
            else cells.emplace_back(std::string(r.Text(row, c)));
        }
        if (rules) cells.emplace_back(std::string(search::RuleName((*rules)[row])));
        WriteCsvRow(out, cells);
    }
}

int Info(const Args& a, std::ostream& out, std::ostream& err) {
    const std::string& path = a.positional[0];
    auto bytes = ReadBank(path, err);
    if (!bytes) return 1;
    const std::string password = a.password.value_or(std::string(questionbank::kBankPassword));
    auto matches = jet::Database::PasswordMatches(*bytes, password);
    if (!matches) {
        err << "tovi-bank: " << path << ": " << matches.error().message << "\n";
        return 1;
    }
    bool ok = *matches;
    std::string used = password;
    if (!ok && !a.password) {
        auto none = jet::Database::PasswordMatches(*bytes, "");
        if (none && *none) {
            ok = true;
            used.clear();
        }
    }
    out << "file: " << path << (EndsWithDat(path) ? " (scrambled bank)" : " (plain database)") << "\n";
    if (!ok) {
        out << "password: does not match\n";
        return 1;
    }
    auto db = jet::Database::Open(std::move(*bytes), used);
    if (!db) {
        err << "tovi-bank: " << path << ": " << db.error().message << "\n";
        return 1;
    }
    const jet::DatabaseInfo info = db->Info();
    out << "version: Jet " << info.jetVersion << "\n";
    out << "password: " << (used.empty() ? "none set" : "matches") << "\n";
    out << "tables:\n";
    for (const std::string& name : db->TableNames()) {
        size_t rows = 0;
        auto scanned = db->ScanTable(name, {}, [&](std::span<const jet::CellView>) { return ++rows, true; });
        if (!scanned) {
            out << "  " << name << ": unreadable (" << scanned.error().message << ")\n";
            continue;
        }
        out << "  " << name << ": " << rows << " rows\n";
    }
    return 0;
}

int Export(const Args& a, std::ostream& out, std::ostream& err) {
    auto db = OpenBank(a.positional[0], a, err);
    if (!db) return 1;
    const std::string table = a.table.value_or("wd");
    auto columns = db->TableColumns(table);
    if (!columns) {
        err << "tovi-bank: " << a.positional[0] << ": " << columns.error().message << "\n";
        return 1;
    }
    // Row by row, so a large table never has to fit in memory at once.
    std::vector<std::optional<std::string>> cells;
    for (const jet::Column& c : *columns) cells.emplace_back(c.name);
    WriteCsvRow(out, cells);
    auto scanned = db->ScanTable(
        table, {},
        [&](std::span<const jet::CellView> row) {
            cells.clear();
            for (const jet::CellView& cell : row) {
                if (cell.isNull) cells.emplace_back(std::nullopt);
                else cells.emplace_back(std::string(cell.text));
            }
            WriteCsvRow(out, cells);
            return true;
        },
        jet::ValueText::Exact);
    if (!scanned) {
        err << "tovi-bank: " << a.positional[0] << ": " << scanned.error().message << "\n";
        return 1;
    }
    return 0;
}

int Search(const Args& a, std::ostream& out, std::ostream& err) {
    const std::string& keyword = a.positional[1];
    if (keyword.empty()) {
        err << "tovi-bank: the keyword is empty (the program does not search for an empty box)\n";
        return 2;
    }
    auto db = OpenBank(a.positional[0], a, err);
    if (!db) return 1;
    auto table = jet::QueryTable::Load(*db, "wd");
    const auto columns = table ? questionbank::FindBankColumns(**table) : std::nullopt;
    if (!columns) {   // what the program does too: the query says what is wrong
        auto result = jet::ExecuteSql(questionbank::KeywordQuerySql(keyword),
                                      [&](std::string_view name) -> jet::Result<std::shared_ptr<const jet::QueryTable>> {
                                          return jet::QueryTable::Load(*db, name);
                                      });
        if (!result) {
            err << "tovi-bank: " << a.positional[0] << ": " << result.error().message << "\n";
            return 1;
        }
        WriteResult(out, *result);
        return 0;
    }
    search::SearchResult found = questionbank::MakeSearchIndex(*table, *columns)->Search(keyword);
    const std::vector<search::Rule> rules = std::move(found.rules);
    WriteResult(out, questionbank::SearchRows(*table, *columns, std::move(found.rows)), a.explain ? &rules : nullptr);
    return 0;
}

int Import(const Args& a, std::ostream& err) {
    const std::string& csvPath = a.positional[0];
    const std::string& bankPath = *a.output;
    auto bytes = ReadInput(csvPath, err);
    if (!bytes) return 1;
    const CsvParse csv = ParseCsv(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    if (!csv.ok()) {
        err << "tovi-bank: " << csvPath << ": " << csv.error << "\n";
        return 1;
    }
    if (csv.records.empty()) {
        err << "tovi-bank: " << csvPath << ": line 1: no header row (Question,Answer[,PinYin])\n";
        return 1;
    }
    // Map the header to the bank's columns.
    const CsvRecord& header = csv.records.front();
    static const char* const kNames[] = {"Question", "Answer", "PinYin"};
    std::optional<size_t> where[3];
    for (size_t f = 0; f < header.fields.size(); ++f) {
        const std::string name = base::AsciiLower(header.fields[f].text);
        size_t k = 0;
        while (k < 3 && base::AsciiLower(kNames[k]) != name) ++k;
        if (k == 3) {
            err << "tovi-bank: " << csvPath << ": line " << header.line << ": unknown column '" << header.fields[f].text
                << "' (expected Question, Answer and optionally PinYin)\n";
            return 1;
        }
        if (where[k]) {
            err << "tovi-bank: " << csvPath << ": line " << header.line << ": column " << kNames[k] << " appears twice\n";
            return 1;
        }
        where[k] = f;
    }
    for (size_t k = 0; k < 2; ++k) {
        if (!where[k]) {
            err << "tovi-bank: " << csvPath << ": line " << header.line << ": the header has no " << kNames[k] << " column\n";
            return 1;
        }
    }
    jet::NewTable table;
    table.name = "wd";
    size_t longest[3] = {0, 0, 0};
    for (size_t r = 1; r < csv.records.size(); ++r) {
        const CsvRecord& rec = csv.records[r];
        if (rec.fields.size() != header.fields.size()) {
            err << "tovi-bank: " << csvPath << ": line " << rec.line << ": " << rec.fields.size() << " fields, but the header has "
                << header.fields.size() << "\n";
            return 1;
        }
        jet::Row row(3);
        for (size_t k = 0; k < 3; ++k) {
            if (!where[k] || rec.fields[*where[k]].IsNull()) continue;
            row[k] = rec.fields[*where[k]].text;
        }
        if (!row[2] && row[0]) row[2] = PinyinInitials(*row[0]);
        for (size_t k = 0; k < 3; ++k) {
            if (row[k]) longest[k] = std::max(longest[k], base::Utf8ToUtf16(*row[k]).size());
        }
        table.rows.push_back(std::move(row));
    }
    // Text holds up to 255 characters; a longer value makes its column a Memo.
    for (size_t k = 0; k < 3; ++k) {
        const bool memo = longest[k] > 255;
        table.columns.push_back({kNames[k], memo ? jet::ColumnType::Memo : jet::ColumnType::Text,
                                 static_cast<uint16_t>(memo ? 0 : 510)});
    }
    auto written = jet::WriteDatabase(table, questionbank::kBankPassword);
    if (!written) {
        err << "tovi-bank: " << bankPath << ": " << written.error().message << "\n";
        return 1;
    }
    if (EndsWithDat(bankPath)) questionbank::ScrambleBank(*written, questionbank::kBankKey);
    const std::string problem = questionbank::WriteFileReplacing(questionbank::PathFromUtf8(bankPath), *written);
    if (!problem.empty()) {
        err << "tovi-bank: " << bankPath << ": " << problem << "\n";
        return 1;
    }
    return 0;
}

// The address the manifest gives for the bank: beside the manifest, or under
// the base address when one is given.
std::optional<std::string> PublishedUrl(const std::optional<std::string>& baseUrl) {
    const std::string name(questionbank::kPublishedBankName);
    if (!baseUrl) return name;
    const std::string lower = base::AsciiLower(*baseUrl);
    if (!lower.starts_with("http://") && !lower.starts_with("https://")) return std::nullopt;
    if (baseUrl->find_first_of(" \t\r\n?#") != std::string::npos) return std::nullopt;
    return *baseUrl + (baseUrl->ends_with("/") ? "" : "/") + name;
}

int Publish(const Args& a, std::ostream& out, std::ostream& err) {
    namespace fs = std::filesystem;
    const std::string& bankPath = a.positional[0];
    const auto url = PublishedUrl(a.baseUrl);
    if (!url) {
        err << "tovi-bank: --base-url must be an http:// or https:// address without blanks, query or fragment\n";
        return 2;
    }
    auto bytes = ReadInput(bankPath, err);
    if (!bytes) return 1;
    // What is published is what the program reads: the scrambled form.
    if (!EndsWithDat(bankPath)) questionbank::ScrambleBank(*bytes, questionbank::kBankKey);
    const questionbank::BankCheck check = questionbank::CheckBankFile(*bytes);
    switch (check.fault) {
    case questionbank::BankFault::None: break;
    case questionbank::BankFault::OtherPassword:
        err << "tovi-bank: " << bankPath << ": the database password is not the bank's\n";
        return 1;
    case questionbank::BankFault::NoTable:
        err << "tovi-bank: " << bankPath << ": there is no table wd\n";
        return 1;
    case questionbank::BankFault::NoColumn:
        err << "tovi-bank: " << bankPath << ": table wd has no column " << check.column << "\n";
        return 1;
    case questionbank::BankFault::NotABank:
        err << "tovi-bank: " << bankPath << ": not a readable bank\n";
        return 1;
    }
    if (bytes->size() > questionbank::kLargestPublishedBank) {
        err << "tovi-bank: " << bankPath << ": larger than a manifest may announce\n";
        return 1;
    }

    questionbank::BankManifest m;
    const auto now = std::chrono::system_clock::now();
    m.version = questionbank::ManifestVersion(
        std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count());
    m.size = bytes->size();
    m.sha256 = base::Sha256Hex(bytes->data(), bytes->size());
    m.questions = check.questions;
    m.url = *url;
    const std::string text = questionbank::WriteManifest(m);

    // Both files are staged beside their places and renamed only when both are
    // whole, the bank first: a reader that sees the new manifest finds the new bank.
    const fs::path dir = questionbank::PathFromUtf8(*a.output);
    std::error_code ec;
    fs::create_directories(dir, ec);
    const fs::path bankTarget = dir / std::string(questionbank::kPublishedBankName);
    const fs::path manifestTarget = dir / std::string(questionbank::kManifestFileName);
    fs::path bankPart = bankTarget, manifestPart = manifestTarget;
    bankPart += ".part";
    manifestPart += ".part";
    const auto dropParts = [&] {
        std::error_code ignored;
        fs::remove(bankPart, ignored);
        fs::remove(manifestPart, ignored);
    };
    std::string problem = questionbank::WriteFileReplacing(bankPart, *bytes);
    if (problem.empty()) {
        problem = questionbank::WriteFileReplacing(manifestPart, std::vector<uint8_t>(text.begin(), text.end()));
    }
    if (problem.empty()) {
        fs::rename(bankPart, bankTarget, ec);
        if (!ec) fs::rename(manifestPart, manifestTarget, ec);
        if (ec) problem = "cannot put the files in place: " + ec.message();
    }
    if (!problem.empty()) {
        dropParts();
        err << "tovi-bank: " << *a.output << ": " << problem << "\n";
        return 1;
    }
    out << text;
    return 0;
}

int Scramble(const Args& a, std::ostream& err) {
    auto bytes = ReadInput(a.positional[0], err);
    if (!bytes) return 1;
    questionbank::ScrambleBank(*bytes, questionbank::kBankKey);
    const std::string problem = questionbank::WriteFileReplacing(questionbank::PathFromUtf8(a.positional[1]), *bytes);
    if (!problem.empty()) {
        err << "tovi-bank: " << a.positional[1] << ": " << problem << "\n";
        return 1;
    }
    return 0;
}

int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace

int RunBankTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    // A bank may need more memory than there is (2 GB of addresses in the
    // 32-bit build): that ends the command with a message, not an abort.
    try {
        return RunCommand(args, out, err);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    err << "tovi-bank: out of memory: the file needs more memory than this process can have\n";
    return 1;
}

namespace {

int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << kUsage;
        return 2;
    }
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        out << kUsage;
        return 0;
    }
    const auto help = kCommandHelp.find(command);
    if (help == kCommandHelp.end()) {
        err << "tovi-bank: unknown command '" << command << "'\n\n" << kUsage;
        return 2;
    }
    Args a;
    const auto usageError = [&](const std::string& what) {
        err << "tovi-bank " << command << ": " << what << "\n\n" << help->second;
        return 2;
    };
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& s = args[i];
        const auto value = [&](std::optional<std::string>& into) {
            if (i + 1 >= args.size()) return false;
            into = args[++i];
            return true;
        };
        if (s == "--help" || s == "-h") {
            a.help = true;
        } else if (s == "--explain" && command == "search") {
            a.explain = true;
        } else if (s == "--password") {
            if (!value(a.password)) return usageError("--password needs a value");
        } else if (s == "--table" && command == "export") {
            if (!value(a.table)) return usageError("--table needs a name");
        } else if ((s == "-o" || s == "--output") && (command == "import" || command == "publish")) {
            if (!value(a.output)) return usageError(command == "import" ? "-o needs the bank to write" : "-o needs a folder");
        } else if (s == "--base-url" && command == "publish") {
            if (!value(a.baseUrl)) return usageError("--base-url needs an address");
        } else if (s.size() > 1 && s[0] == '-' && s != "--") {
            return usageError("unknown option '" + s + "'");
        } else {
            if (s == "--" && i + 1 < args.size()) {
                a.positional.insert(a.positional.end(), args.begin() + static_cast<ptrdiff_t>(i) + 1, args.end());
                break;
            }
            a.positional.push_back(s);
        }
    }
    if (a.help) {
        out << help->second;
        return 0;
    }
    const size_t wanted = command == "search" || command == "scramble" ? 2 : 1;
    if (a.positional.size() != wanted) {
        return usageError("expected " + std::to_string(wanted) + " argument" + (wanted == 1 ? "" : "s") + ", got " +
                          std::to_string(a.positional.size()));
    }
    if (command == "info") return Info(a, out, err);
    if (command == "export") return Export(a, out, err);
    if (command == "search") return Search(a, out, err);
    if (command == "scramble") return Scramble(a, err);
    if (command == "publish") {
        if (!a.output) return usageError("-o DIR is required");
        if (a.password) return usageError("a published bank always carries the bank's own password");
        return Publish(a, out, err);
    }
    if (!a.output) return usageError("-o BANK is required");
    if (a.password) return usageError("a new bank always carries the bank's own password");
    return Import(a, err);
}

}  // namespace

}  // namespace bankcli
