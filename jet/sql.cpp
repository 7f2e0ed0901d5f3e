#include "jet/sql.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <stdexcept>

#include "base/text.h"
#include "jet/sql_text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace jet {

// ---------------------------------------------------------------------------
// Statement tree

namespace {

struct Operand {
    enum Kind : uint8_t { ColumnName, Text, Number, Null } kind = Null;
    SelectStatement::ColumnRef column;   // ColumnName
    std::string text;                    // Text: the literal as written (apostrophes undoubled); Number: its digits
    double number = 0;                   // Number
};

enum class CompareOp : uint8_t { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual };

}  // namespace

struct SelectStatement::Expr {
    enum Kind : uint8_t { And, Or, Not, Like, NotLike, Compare, IsNull, IsNotNull } kind;
    std::unique_ptr<Expr> left, right;   // And, Or: both; Not: left
    Operand a, b;                        // Like: a LIKE b; Compare: a op b; IsNull: a
    CompareOp op = CompareOp::Equal;
};

SelectStatement::SelectStatement() = default;
SelectStatement::SelectStatement(SelectStatement&&) noexcept = default;
SelectStatement& SelectStatement::operator=(SelectStatement&&) noexcept = default;
SelectStatement::~SelectStatement() = default;

// ---------------------------------------------------------------------------
// Tokens and parser

namespace {

struct Token {
    enum Kind : uint8_t { End, Name, QuotedName, Text, Number, Symbol } kind = End;
    std::string text;    // Name/QuotedName: the name; Text: literal content; Number/Symbol: as written
    size_t offset = 0;   // byte offset in the statement
};

size_t CharPosition(std::string_view s, size_t offset) {
    size_t chars = 1;
    for (size_t i = 0; i < offset && i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) ++chars;
    }
    return chars;
}

bool IsNameStart(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80; }
bool IsNameChar(unsigned char c) { return IsNameStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

class Parser {
public:
    explicit Parser(std::string_view sql) : sql_(sql) {}

    Result<SelectStatement> Parse() {
        if (!Tokenize()) return *error_;
        SelectStatement st;
        if (!ExpectKeyword("select")) return *error_;
        if (AcceptKeyword("distinct")) st.distinct = true;
        else AcceptKeyword("all");
        if (AcceptSymbol("*")) {
            st.allColumns = true;
        } else {
            do {
                SelectStatement::ColumnRef ref;
                if (!ParseColumnRef(ref)) return *error_;
                st.columns.push_back(std::move(ref));
            } while (AcceptSymbol(","));
        }
        if (!ExpectKeyword("from")) return *error_;
        if (!IsName(Peek())) return Fail("a table name");
        st.table = Next().text;
        if (AcceptKeyword("where")) {
            st.where = ParseOr();
            if (!st.where) return *error_;
        }
        AcceptSymbol(";");
        if (Peek().kind != Token::End) return Fail("the end of the statement");
        return st;
    }

private:
    // -- tokens
    bool Tokenize() {
        size_t i = 0;
        while (true) {
            while (i < sql_.size() && (sql_[i] == ' ' || sql_[i] == '\t' || sql_[i] == '\r' || sql_[i] == '\n')) ++i;
            Token t;
            t.offset = i;
            if (i >= sql_.size()) {
                tokens_.push_back(t);
                return true;
            }
            const char c = sql_[i];
            if (c == '\'') {
                t.kind = Token::Text;
                ++i;
                while (true) {
                    if (i >= sql_.size()) return FailAt(t.offset, "The text literal starting here is not closed");
                    if (sql_[i] == '\'') {
                        if (i + 1 < sql_.size() && sql_[i + 1] == '\'') {
                            t.text += '\'';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    t.text += sql_[i++];
                }
            } else if (c == '[' || c == '`') {
                const char close = c == '[' ? ']' : '`';
                const size_t end = sql_.find(close, i + 1);
                if (end == std::string_view::npos) return FailAt(i, "The quoted name starting here is not closed");
                t.kind = Token::QuotedName;
                t.text = std::string(sql_.substr(i + 1, end - i - 1));
                if (t.text.empty()) return FailAt(i, "A quoted name is empty");
                i = end + 1;
            } else if (IsDigit(c) || (c == '.' && i + 1 < sql_.size() && IsDigit(sql_[i + 1]))) {
                t.kind = Token::Number;
                while (i < sql_.size() && (IsDigit(sql_[i]) || sql_[i] == '.')) t.text += sql_[i++];
            } else if (IsNameStart(static_cast<unsigned char>(c))) {
                t.kind = Token::Name;
                while (i < sql_.size() && IsNameChar(static_cast<unsigned char>(sql_[i]))) t.text += sql_[i++];
            } else {
                t.kind = Token::Symbol;
                const std::string_view two = sql_.substr(i, 2);
                if (two == "<>" || two == "<=" || two == ">=" || two == "!=") {
                    t.text = std::string(two);
                    i += 2;
                } else if (std::string_view("*,();=<>.-").find(c) != std::string_view::npos) {
                    t.text = std::string(1, c);
                    ++i;
                } else {
                    return FailAt(i, "Unexpected character '" + std::string(sql_.substr(i, CharLength(sql_, i))) + "'");
                }
            }
            tokens_.push_back(std::move(t));
        }
    }

    const Token& Peek(size_t ahead = 0) const { return tokens_[std::min(pos_ + ahead, tokens_.size() - 1)]; }
    const Token& Next() {
        const Token& t = tokens_[pos_];
        if (pos_ + 1 < tokens_.size()) ++pos_;
        return t;
    }
    static bool IsKeyword(const Token& t, std::string_view word) {
        return t.kind == Token::Name && base::AsciiLower(t.text) == word;
    }
    static bool IsReserved(const Token& t) {
        static constexpr std::string_view kReserved[] = {"select", "distinct", "all", "from", "where", "and",
                                                         "or", "not", "like", "is", "null"};
        if (t.kind != Token::Name) return false;
        const std::string lower = base::AsciiLower(t.text);
        return std::find(std::begin(kReserved), std::end(kReserved), lower) != std::end(kReserved);
    }
    static bool IsName(const Token& t) {
        return t.kind == Token::QuotedName || (t.kind == Token::Name && !IsReserved(t));
    }
    bool AcceptKeyword(std::string_view word) {
        if (!IsKeyword(Peek(), word)) return false;
        Next();
        return true;
    }
    bool AcceptSymbol(std::string_view s) {
        if (Peek().kind != Token::Symbol || Peek().text != s) return false;
        Next();
        return true;
    }
    bool ExpectKeyword(std::string_view word) {
        if (AcceptKeyword(word)) return true;
        Fail(ToUpper(word));
        return false;
    }
    static std::string ToUpper(std::string_view s) {
        std::string out(s);
        for (char& c : out) {
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
        }
        return out;
    }

    // -- grammar
    bool ParseColumnRef(SelectStatement::ColumnRef& ref) {
        if (!IsName(Peek())) {
            Fail("a column name");
            return false;
        }
        ref.name = Next().text;
        if (AcceptSymbol(".")) {
            if (!IsName(Peek())) {
                Fail("a column name after '.'");
                return false;
            }
            ref.qualifier = std::move(ref.name);
            ref.name = Next().text;
        }
        return true;
    }

    using ExprPtr = std::unique_ptr<SelectStatement::Expr>;

    ExprPtr ParseOr() {
        ExprPtr left = ParseAnd();
        while (left && AcceptKeyword("or")) {
            ExprPtr right = ParseAnd();
            if (!right) return nullptr;
            left = Combine(SelectStatement::Expr::Or, std::move(left), std::move(right));
        }
        return left;
    }
    ExprPtr ParseAnd() {
        ExprPtr left = ParseNot();
        while (left && AcceptKeyword("and")) {
            ExprPtr right = ParseNot();
            if (!right) return nullptr;
            left = Combine(SelectStatement::Expr::And, std::move(left), std::move(right));
        }
        return left;
    }
    ExprPtr ParseNot() {
        if (IsKeyword(Peek(), "not") && !IsKeyword(Peek(1), "like")) {
            if (++depth_ > kMaxDepth) {
                Fail("a shorter condition (nested too deeply)");
                return nullptr;
            }
            Next();
            struct Leave {
                int& d;
                ~Leave() { --d; }
            } leave{depth_};
            ExprPtr inner = ParseNot();
            if (!inner) return nullptr;
            return Combine(SelectStatement::Expr::Not, std::move(inner), nullptr);
        }
        return ParsePredicate();
    }
    static ExprPtr Combine(SelectStatement::Expr::Kind kind, ExprPtr l, ExprPtr r) {
        auto e = std::make_unique<SelectStatement::Expr>();
        e->kind = kind;
        e->left = std::move(l);
        e->right = std::move(r);
        return e;
    }
    ExprPtr ParsePredicate() {
        if (++depth_ > kMaxDepth) {
            Fail("a shorter condition (nested too deeply)");
            return nullptr;
        }
        struct Leave {
            int& d;
            ~Leave() { --d; }
        } leave{depth_};
        if (AcceptSymbol("(")) {
            ExprPtr inner = ParseOr();
            if (!inner) return nullptr;
            if (!AcceptSymbol(")")) {
                Fail("')'");
                return nullptr;
            }
            return inner;
        }
        auto e = std::make_unique<SelectStatement::Expr>();
        if (!ParseOperand(e->a)) return nullptr;
        if (AcceptKeyword("is")) {
            e->kind = AcceptKeyword("not") ? SelectStatement::Expr::IsNotNull : SelectStatement::Expr::IsNull;
            if (!AcceptKeyword("null")) {
                Fail("NULL");
                return nullptr;
            }
            return e;
        }
        const bool negated = AcceptKeyword("not");
        if (AcceptKeyword("like")) {
            e->kind = negated ? SelectStatement::Expr::NotLike : SelectStatement::Expr::Like;
        } else if (negated) {
            Fail("LIKE");
            return nullptr;
        } else {
            static constexpr std::pair<std::string_view, CompareOp> kOps[] = {
                {"=", CompareOp::Equal}, {"<>", CompareOp::NotEqual}, {"!=", CompareOp::NotEqual},
                {"<", CompareOp::Less}, {"<=", CompareOp::LessEqual}, {">", CompareOp::Greater},
                {">=", CompareOp::GreaterEqual}};
            const Token& t = Peek();
            const auto* op = t.kind == Token::Symbol
                                 ? std::find_if(std::begin(kOps), std::end(kOps), [&](auto& p) { return p.first == t.text; })
                                 : std::end(kOps);
            if (op == std::end(kOps)) {
                Fail("a comparison (LIKE, =, <>, IS NULL ...)");
                return nullptr;
            }
            Next();
            e->kind = SelectStatement::Expr::Compare;
            e->op = op->second;
        }
        if (!ParseOperand(e->b)) return nullptr;
        return e;
    }
    bool ParseOperand(Operand& o) {
        const Token& t = Peek();
        if (t.kind == Token::Text) {
            o.kind = Operand::Text;
            o.text = Next().text;
            return true;
        }
        bool minus = false;
        if (t.kind == Token::Symbol && t.text == "-" && Peek(1).kind == Token::Number) {
            Next();
            minus = true;
        }
        if (Peek().kind == Token::Number) {
            const Token& n = Next();
            double v = 0;
            const auto r = std::from_chars(n.text.data(), n.text.data() + n.text.size(), v);
            if (r.ec != std::errc() || r.ptr != n.text.data() + n.text.size()) {
                FailAt(n.offset, "The number '" + n.text + "' is not valid");
                return false;
            }
            o.kind = Operand::Number;
            o.number = minus ? -v : v;
            o.text = (minus ? "-" : "") + n.text;
            return true;
        }
        if (IsKeyword(t, "null")) {
            Next();
            o.kind = Operand::Null;
            return true;
        }
        if (IsName(t)) {
            o.kind = Operand::ColumnName;
            return ParseColumnRef(o.column);
        }
        Fail("a column name or a value");
        return false;
    }

    // -- errors
    Error Fail(const std::string& expected) {
        const Token& t = Peek();
        std::string what = "Expected ";
        what.append(expected).append(" but found ");
        if (t.kind == Token::End) {
            what.append("the end of the statement");
        } else {
            what.append(1, '\'').append(sql_.substr(t.offset, TokenLength(t))).append(1, '\'');
        }
        FailAt(t.offset, what);
        return *error_;
    }
    size_t TokenLength(const Token& t) const {
        const size_t next = (&t - tokens_.data()) + 1 < static_cast<ptrdiff_t>(tokens_.size())
                                ? tokens_[static_cast<size_t>(&t - tokens_.data()) + 1].offset
                                : sql_.size();
        size_t len = next - t.offset;
        while (len > 0 && (sql_[t.offset + len - 1] == ' ' || sql_[t.offset + len - 1] == '\t' ||
                           sql_[t.offset + len - 1] == '\r' || sql_[t.offset + len - 1] == '\n')) {
            --len;
        }
        return std::min<size_t>(len, 40);
    }
    bool FailAt(size_t offset, const std::string& what) {
        if (!error_) {
            error_ = Error{Error::Syntax,
                           "Syntax error in query at position " + std::to_string(CharPosition(sql_, offset)) + ": " + what + "."};
        }
        return false;
    }

    static constexpr int kMaxDepth = 200;
    std::string_view sql_;
    std::vector<Token> tokens_;
    size_t pos_ = 0;
    int depth_ = 0;
    std::optional<Error> error_;
};

}  // namespace

Result<SelectStatement> ParseSelect(std::string_view sql) { return Parser(sql).Parse(); }

// ---------------------------------------------------------------------------
// Tables

namespace {

constexpr uint64_t kNullHash = 0x9E3779B97F4A7C15ull;

uint64_t HashBytes(std::string_view s) {   // FNV-1a, 64 bit
    uint64_t h = 0xCBF29CE484222325ull;
    for (char c : s) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001B3ull;
    }
    return h;
}

}  // namespace

QueryTable::QueryTable(Table table)
    : name_(std::move(table.name)), columns_(std::move(table.columns)), rowCount_(table.rows.size()) {
    data_.resize(columns_.size());
    for (size_t c = 0; c < columns_.size(); ++c) {
        CellStore& store = data_[c];
        size_t bytes = 0;
        for (const Row& row : table.rows) bytes += (c < row.size() && row[c] ? row[c]->size() : 0) + 1;
        store.Reserve(rowCount_, bytes);
        for (Row& row : table.rows) {
            const bool present = c < row.size() && row[c];
            if (present) store.text += *row[c];
            // Offsets are 32-bit; a table this large comes only from a file,
            // and Load reports it as an error.
            if (!store.EndCell(!present)) throw std::length_error("a column holds more than 4 GB of text");
            if (c < row.size()) row[c].reset();   // release memory as we go
        }
    }
    folded_ = std::make_unique<LazyFolded[]>(columns_.size());
}

QueryTable::QueryTable(std::string name, std::vector<Column> columns, size_t rowCount, std::vector<CellStore> data)
    : name_(std::move(name)), columns_(std::move(columns)), rowCount_(rowCount), data_(std::move(data)) {
    folded_ = std::make_unique<LazyFolded[]>(columns_.size());
}

Result<std::shared_ptr<const QueryTable>> QueryTable::Load(const Database& db, std::string_view name) {
    auto columns = db.TableColumns(name);
    if (!columns) return columns.error();
    std::string canonical(name);
    for (const std::string& n : db.TableNames()) {
        if (jet::Folded(n) == jet::Folded(name)) {
            canonical = n;
            break;
        }
    }
    auto data = db.ReadTextColumns(name);
    if (!data) return data.error();
    const size_t rows = data->empty() ? 0 : data->front().RowCount();
    return std::shared_ptr<const QueryTable>(new QueryTable(std::move(canonical), std::move(*columns), rows, std::move(*data)));
}

size_t QueryTable::MemoryBytes() const {
    size_t total = 0;
    for (size_t c = 0; c < data_.size(); ++c) {
        total += data_[c].MemoryBytes();
        if (const FoldedColumn* f = folded_[c].folded.get()) {
            total += sizeof(FoldedColumn) + f->own.MemoryBytes() + f->hash.capacity() * sizeof(uint64_t);
        }
    }
    return total;
}

std::optional<size_t> QueryTable::FindColumn(std::string_view name) const {
    const std::string want = jet::Folded(name);
    for (size_t c = 0; c < columns_.size(); ++c) {
        if (jet::Folded(columns_[c].name) == want) return c;
    }
    return std::nullopt;
}

const QueryTable::FoldedColumn& QueryTable::Folded(size_t column) const {
    LazyFolded& lazy = folded_[column];
    std::call_once(lazy.once, [&] {
        auto f = std::make_unique<FoldedColumn>();
        const CellStore& src = data_[column];
        CellStore& own = f->own;
        own.text.reserve(src.text.size());
        own.start.reserve(rowCount_ + 1);
        own.start.push_back(0);
        f->hash.reserve(rowCount_);
        for (size_t r = 0; r < rowCount_; ++r) {
            const size_t from = own.text.size();
            AppendFolded(own.text, src.Text(r));
            f->hash.push_back(src.Null(r) ? kNullHash : HashBytes(std::string_view(own.text).substr(from)));
            own.text += '\0';
            own.start.push_back(static_cast<uint32_t>(own.text.size()));
        }
        for (char ch : own.text) ++f->byteCount[static_cast<unsigned char>(ch)];
        if (own.text == src.text) {
            f->own = CellStore();   // already folded: share the column's own cells
            f->cells = &src;
        } else {
            own.nullBits = src.nullBits;
            f->cells = &own;
        }
        lazy.folded = std::move(f);
    });
    return *lazy.folded;
}

// ---------------------------------------------------------------------------
// Evaluation: each condition is evaluated for all rows at once into one
// truth value per row (SQL's three values: a NULL operand gives Unknown).

namespace {

enum Truth : uint8_t { False = 0, True = 1, Unknown = 2 };
using Truths = std::vector<uint8_t>;

class Evaluator {
public:
    Evaluator(const QueryTable& table) : t_(table) {}

    Result<size_t> Resolve(const SelectStatement::ColumnRef& ref) const {
        if (!ref.qualifier.empty() && Folded(ref.qualifier) != Folded(t_.Name())) {
            return Error{Error::NoSuchColumn, "The column '" + ref.qualifier + "." + ref.name +
                                                  "' names a table other than '" + t_.Name() + "'."};
        }
        if (auto c = t_.FindColumn(ref.name)) return *c;
        return Error{Error::NoSuchColumn, "The table '" + t_.Name() + "' has no column '" + ref.name + "'."};
    }

    // Checks every column name in the condition before any row is looked at.
    std::optional<Error> Check(const SelectStatement::Expr& e) const {
        if (e.left) {
            if (auto err = Check(*e.left)) return err;
        }
        if (e.right) {
            if (auto err = Check(*e.right)) return err;
        }
        for (const Operand* o : {&e.a, &e.b}) {
            if (o->kind != Operand::ColumnName) continue;
            auto r = Resolve(o->column);
            if (!r) return r.error();
        }
        return std::nullopt;
    }

    void Evaluate(const SelectStatement::Expr& e, Truths& out) const {
        const size_t n = t_.RowCount();
        switch (e.kind) {
        case SelectStatement::Expr::And:
        case SelectStatement::Expr::Or: {
            Evaluate(*e.left, out);
            Truths other;
            Evaluate(*e.right, other);
            const bool isAnd = e.kind == SelectStatement::Expr::And;
            for (size_t r = 0; r < n; ++r) {
                const uint8_t a = out[r], b = other[r];
                if (isAnd) out[r] = (a == False || b == False) ? False : (a == Unknown || b == Unknown) ? Unknown : True;
                else out[r] = (a == True || b == True) ? True : (a == Unknown || b == Unknown) ? Unknown : False;
            }
            return;
        }
        case SelectStatement::Expr::Not:
            Evaluate(*e.left, out);
            for (uint8_t& v : out) v = v == Unknown ? uint8_t{Unknown} : static_cast<uint8_t>(v ^ 1);
            return;
        case SelectStatement::Expr::IsNull:
        case SelectStatement::Expr::IsNotNull: {
            out.assign(n, False);
            const bool wantNull = e.kind == SelectStatement::Expr::IsNull;
            for (size_t r = 0; r < n; ++r) out[r] = IsNullAt(e.a, r) == wantNull ? True : False;
            return;
        }
        case SelectStatement::Expr::Like:
        case SelectStatement::Expr::NotLike:
            EvaluateLike(e, out);
            if (e.kind == SelectStatement::Expr::NotLike) {
                for (uint8_t& v : out) v = v == Unknown ? uint8_t{Unknown} : static_cast<uint8_t>(v ^ 1);
            }
            return;
        case SelectStatement::Expr::Compare:
            EvaluateCompare(e, out);
            return;
        }
    }

private:
    size_t ColumnOf(const Operand& o) const { return *t_.FindColumn(o.column.name); }

    bool IsNullAt(const Operand& o, size_t r) const {
        if (o.kind == Operand::Null) return true;
        if (o.kind == Operand::ColumnName) return t_.IsNull(r, ColumnOf(o));
        return false;
    }

    void EvaluateLike(const SelectStatement::Expr& e, Truths& out) const {
        const size_t n = t_.RowCount();
        out.assign(n, Unknown);
        if (e.a.kind == Operand::Null || e.b.kind == Operand::Null) return;
        if (e.b.kind == Operand::ColumnName) {   // pattern differs per row
            const size_t pc = ColumnOf(e.b);
            for (size_t r = 0; r < n; ++r) {
                if (t_.IsNull(r, pc) || IsNullAt(e.a, r)) continue;
                out[r] = LikePattern(t_.Text(r, pc)).Matches(FoldedAt(e.a, r)) ? True : False;
            }
            return;
        }
        const LikePattern pattern(e.b.text);
        if (e.a.kind != Operand::ColumnName) {
            const std::string text = Folded(e.a.text);
            std::fill(out.begin(), out.end(), pattern.Matches(text) ? True : False);
            return;
        }
        const QueryTable::FoldedColumn& f = t_.Folded(ColumnOf(e.a));
        const std::string& literal = pattern.ContainedLiteral();
        if (pattern.IsContains() && literal.find('\0') == std::string::npos) {
            ScanContains(f, literal, out);
            return;
        }
        for (size_t r = 0; r < n; ++r) {
            if (!f.cells->Null(r)) out[r] = pattern.Matches(f.cells->Text(r)) ? True : False;
        }
    }

    // '%literal%' over a whole column: one pass over the folded text looking
    // for the literal's rarest byte, then a check of the whole literal. After
    // a hit the search skips to the next cell.
    static void ScanContains(const QueryTable::FoldedColumn& f, const std::string& literal, Truths& out) {
        const size_t n = out.size();
        for (size_t r = 0; r < n; ++r) out[r] = f.cells->Null(r) ? Unknown : False;
        if (literal.empty()) {
            for (uint8_t& v : out) v = v == Unknown ? Unknown : True;
            return;
        }
        // The rarest byte of the literal is looked for with memchr; the
        // second rarest is checked before the whole literal is compared.
        const auto count = [&](size_t k) { return f.byteCount[static_cast<unsigned char>(literal[k])]; };
        size_t key = 0;
        for (size_t k = 1; k < literal.size(); ++k) {
            if (count(k) < count(key)) key = k;
        }
        if (count(key) == 0) return;
        size_t check = key == 0 ? literal.size() - 1 : 0;
        for (size_t k = 0; k < literal.size(); ++k) {
            if (k != key && count(k) < count(check)) check = k;
        }
        const char keyByte = literal[key], checkByte = literal[check];
        const char* base = f.cells->text.data();
        const size_t end = f.cells->text.size();
        if (end < literal.size()) return;
        const std::vector<uint32_t>& start = f.cells->start;
        const size_t len = literal.size();
        const size_t last = end - len;   // the last possible start of a hit
        size_t row = 0;
        // Marks the row holding a hit at `at` and returns where its next row starts.
        const auto hit = [&](size_t at) {
            row = static_cast<size_t>(std::upper_bound(start.begin() + static_cast<ptrdiff_t>(row) + 1, start.end(), at) -
                                      start.begin()) - 1;
            out[row] = True;
            return static_cast<size_t>(start[row + 1]);
        };
        size_t pos = 0;
#if defined(__SSE2__)
        // When the rarest byte is still common (in Chinese text every UTF-8
        // continuation byte is), test 16 start positions at once for both
        // chosen bytes instead of stopping at each occurrence of one.
        if (count(key) > end / 256) {
            const __m128i keys = _mm_set1_epi8(keyByte), checks = _mm_set1_epi8(checkByte);
            while (pos + 16 <= last + 1) {
                const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + pos + key));
                const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + pos + check));
                unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, keys), _mm_cmpeq_epi8(b, checks))));
                size_t next = pos + 16;
                while (mask) {
                    const size_t at = pos + static_cast<size_t>(std::countr_zero(mask));
                    mask &= mask - 1;
                    if (std::memcmp(base + at, literal.data(), len) == 0) {
                        next = hit(at);
                        break;
                    }
                }
                pos = next;
            }
        }
#endif
        while (pos <= last) {
            const void* p = std::memchr(base + pos + key, keyByte, last - pos + 1);
            if (!p) break;
            const size_t at = static_cast<size_t>(static_cast<const char*>(p) - base) - key;
            if (base[at + check] != checkByte || std::memcmp(base + at, literal.data(), len) != 0) {
                pos = at + 1;
                continue;
            }
            pos = hit(at);
        }
    }

    std::string_view FoldedAt(const Operand& o, size_t r) const {
        return t_.Folded(ColumnOf(o)).cells->Text(r);
    }

    static bool IsNumericType(ColumnType type) {
        switch (type) {
        case ColumnType::Byte: case ColumnType::Integer: case ColumnType::Long: case ColumnType::Currency:
        case ColumnType::Single: case ColumnType::Double: case ColumnType::Numeric: case ColumnType::Boolean:
            return true;
        default:
            return false;
        }
    }

    static std::optional<double> ParseNumber(std::string_view s) {
        while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
        while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
        if (!s.empty() && s.front() == '+') s.remove_prefix(1);
        double v = 0;
        const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
        if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size()) return std::nullopt;
        return v;
    }

    static bool Holds(CompareOp op, int cmp) {
        switch (op) {
        case CompareOp::Equal: return cmp == 0;
        case CompareOp::NotEqual: return cmp != 0;
        case CompareOp::Less: return cmp < 0;
        case CompareOp::LessEqual: return cmp <= 0;
        case CompareOp::Greater: return cmp > 0;
        case CompareOp::GreaterEqual: return cmp >= 0;
        }
        return false;
    }

    // Text compares folded, byte by byte. A comparison with a number literal,
    // or between two numeric columns, compares values; text that is not a
    // number then matches nothing.
    void EvaluateCompare(const SelectStatement::Expr& e, Truths& out) const {
        const size_t n = t_.RowCount();
        out.assign(n, Unknown);
        if (e.a.kind == Operand::Null || e.b.kind == Operand::Null) return;
        const auto numericColumn = [&](const Operand& o) {
            return o.kind == Operand::ColumnName && IsNumericType(t_.Columns()[ColumnOf(o)].type);
        };
        const bool numeric = e.a.kind == Operand::Number || e.b.kind == Operand::Number ||
                             (numericColumn(e.a) && numericColumn(e.b));
        const std::string foldedA = e.a.kind == Operand::ColumnName ? std::string() : Folded(e.a.text);
        const std::string foldedB = e.b.kind == Operand::ColumnName ? std::string() : Folded(e.b.text);
        const QueryTable::FoldedColumn* fa = e.a.kind == Operand::ColumnName ? &t_.Folded(ColumnOf(e.a)) : nullptr;
        const QueryTable::FoldedColumn* fb = e.b.kind == Operand::ColumnName ? &t_.Folded(ColumnOf(e.b)) : nullptr;
        for (size_t r = 0; r < n; ++r) {
            if ((fa && fa->cells->Null(r)) || (fb && fb->cells->Null(r))) continue;
            const std::string_view a = fa ? fa->cells->Text(r) : std::string_view(foldedA);
            const std::string_view b = fb ? fb->cells->Text(r) : std::string_view(foldedB);
            if (numeric) {
                const auto x = ParseNumber(a), y = ParseNumber(b);
                if (!x || !y) {
                    out[r] = False;
                    continue;
                }
                out[r] = Holds(e.op, *x < *y ? -1 : *x > *y ? 1 : 0) ? True : False;
            } else {
                const int cmp = a.compare(b);
                out[r] = Holds(e.op, cmp) ? True : False;
            }
        }
    }

    const QueryTable& t_;
};

// Keeps the first row of each group of rows equal (ignoring letter case) in
// every result column, in table order.
std::vector<uint32_t> KeepDistinct(const QueryTable& table, const std::vector<size_t>& columns,
                                   const std::vector<uint32_t>& rows) {
    std::vector<const QueryTable::FoldedColumn*> folded;
    for (size_t c : columns) folded.push_back(&table.Folded(c));
    size_t slots = 16;
    while (slots < rows.size() * 2) slots *= 2;
    constexpr uint32_t kEmpty = UINT32_MAX;
    std::vector<uint32_t> slot(slots, kEmpty);
    std::vector<uint32_t> kept;
    kept.reserve(rows.size());
    const auto same = [&](uint32_t x, uint32_t y) {
        for (const auto* f : folded) {
            if (f->cells->Null(x) != f->cells->Null(y) || f->cells->Text(x) != f->cells->Text(y)) return false;
        }
        return true;
    };
    for (uint32_t r : rows) {
        uint64_t h = 0x84222325CBF29CE4ull;
        for (const auto* f : folded) h = (h ^ f->hash[r]) * 0x9E3779B97F4A7C15ull + (h >> 29);
        size_t i = static_cast<size_t>(h ^ (h >> 32)) & (slots - 1);
        while (true) {
            if (slot[i] == kEmpty) {
                slot[i] = r;
                kept.push_back(r);
                break;
            }
            if (same(slot[i], r)) break;
            i = (i + 1) & (slots - 1);
        }
    }
    return kept;
}

}  // namespace

Result<QueryResult> RunSelect(const SelectStatement& statement, std::shared_ptr<const QueryTable> table) {
    const Evaluator eval(*table);
    QueryResult result;
    if (statement.allColumns) {
        for (size_t c = 0; c < table->Columns().size(); ++c) result.columns.push_back(c);
    } else {
        for (const auto& ref : statement.columns) {
            auto c = eval.Resolve(ref);
            if (!c) return c.error();
            result.columns.push_back(*c);
        }
    }
    const size_t n = table->RowCount();
    if (n > UINT32_MAX) return Error{Error::Unsupported, "The table '" + table->Name() + "' has too many rows."};
    if (statement.where) {
        if (auto err = eval.Check(*statement.where)) return *err;
        Truths truth;
        eval.Evaluate(*statement.where, truth);
        for (size_t r = 0; r < n; ++r) {
            if (truth[r] == True) result.rows.push_back(static_cast<uint32_t>(r));
        }
    } else {
        result.rows.resize(n);
        for (size_t r = 0; r < n; ++r) result.rows[r] = static_cast<uint32_t>(r);
    }
    if (statement.distinct && !result.columns.empty()) result.rows = KeepDistinct(*table, result.columns, result.rows);
    result.table = std::move(table);
    return result;
}

Result<QueryResult> ExecuteSql(std::string_view sql, const TableLookup& lookup) {
    auto statement = ParseSelect(sql);
    if (!statement) return statement.error();
    auto table = lookup(statement->table);
    if (!table) return table.error();
    return RunSelect(*statement, std::move(*table));
}

}  // namespace jet
