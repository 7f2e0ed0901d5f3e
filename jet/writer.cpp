// Writes a new Jet 4 database holding one user table of Text and Memo columns.
//
// Invariants (each is checked by the tests that read our files back):
//  1. The file is assembled in memory and grows only by whole, zeroed,
//     4096-byte pages, numbered in the order they are allocated. Nothing is
//     handed back unless every page is complete; a failure returns an Error
//     and no bytes.
//  2. Input is checked before it is stored: names, column types and lengths,
//     cell counts, well-formed UTF-8, the password. Nothing is truncated,
//     replaced or dropped silently.
//  3. Every data page's header is exact after every row: row count <= 255,
//     free space = 4096 - 14 - 2 * rows - sum of row lengths, rows packed from
//     the page end downwards, no row longer than 4060 bytes.
//  4. A table's owned usage map lists exactly the data pages whose owner field
//     names its table definition page; a Memo column's owned map lists exactly
//     the LVAL pages holding its values. Each free-space map is a subset of
//     its owned map. The maps are computed from the pages actually written,
//     after the last row.
//  5. The global map (page 1) marks free exactly the pages past the end of
//     the file, within the 512 pages it covers.
//  6. Each table definition agrees with its rows: column count = descriptors,
//     variable-column slots 0..n-1, row count = rows written, definition
//     length = bytes of the definition including its terminator.
//  7. A long value's recorded length equals the bytes stored: one LVAL row of
//     exactly that length, or chain rows whose data adds up to it.
//  8. The password field on page 0 is masked with the same creation date that
//     page 0 records.
//
// Writer stages, in order (DatabaseWriter::stage_):
//   Empty --Plan()--> Planned --StoreRows()--> RowsStored
//         --BuildMaps()--> MapsBuilt --Finish()--> Complete
#include "jet/writer.h"

#include <algorithm>
#include <cassert>
#include <chrono>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "base/text.h"
#include "jet/writer_layout.h"
#include "jet/writer_pages.h"
#include "jet/writer_text.h"

namespace jet {
namespace writer {
namespace {

// ---- table definitions -----------------------------------------------------

struct ColumnDef {
    std::u16string name;
    ColumnType type;
    uint16_t length;          // bytes; 0 for Memo and OLE
    uint8_t flags;            // kColumnFlagFixed, kColumnFlagNullable, kColumnFlagSystem
    uint8_t extraFlags;       // kColumnExtraCompressed
    uint16_t number = 0;      // bit in the null mask
    uint16_t varIndex = 0;    // slot in the variable-offset table
    uint16_t fixedOffset = 0; // position in the fixed area
};

bool IsFixed(ColumnType t) {
    switch (t) {
    case ColumnType::Boolean: case ColumnType::Byte: case ColumnType::Integer: case ColumnType::Long:
    case ColumnType::Currency: case ColumnType::Single: case ColumnType::Double: case ColumnType::DateTime:
    case ColumnType::Guid: case ColumnType::Numeric:
        return true;
    default:
        return false;
    }
}

bool IsLongValue(ColumnType t) { return t == ColumnType::Memo || t == ColumnType::Ole; }

struct TableDef {
    std::u16string name;
    uint8_t tableType = kTableTypeUser;
    std::vector<ColumnDef> columns;   // in column-number order
    uint16_t varColumns = 0;
    uint16_t fixedSize = 0;           // bytes of the fixed area of a row
    uint32_t tdefPage = 0;
    uint32_t tdefPageCount = 1;
    uint32_t rowCount = 0;
    uint32_t ownedMapSlot = 0;        // index into the usage-map rows
    std::vector<uint32_t> longValueMapSlots;   // owned-map slot per long-value column; free = +1
};

// Numbers the columns, gives variable columns their slots and packs the fixed
// ones. Boolean columns live in the null mask and take no fixed bytes.
void LayOutColumns(TableDef& t) {
    uint16_t fixedAt = 0;
    uint16_t var = 0;
    for (size_t i = 0; i < t.columns.size(); ++i) {
        ColumnDef& c = t.columns[i];
        c.number = static_cast<uint16_t>(i);
        if (IsFixed(c.type)) {
            c.flags = static_cast<uint8_t>(c.flags | kColumnFlagFixed);
            c.fixedOffset = fixedAt;
            if (c.type != ColumnType::Boolean) fixedAt = static_cast<uint16_t>(fixedAt + c.length);
        } else {
            c.varIndex = var++;
        }
    }
    t.varColumns = var;
    t.fixedSize = fixedAt;
}

std::vector<uint8_t> BuildTdef(const TableDef& t, const std::vector<uint32_t>& slotPgRows) {
    const TdefLayout& L = kTdef;
    const ColumnEntryLayout& C = kColumnEntry;
    std::vector<uint8_t> d(L.headerSize, 0);
    d[0] = kPageTableDef;
    d[1] = 0x01;
    PutU32(d.data() + L.magicAt, kTdefMagic);
    PutU32(d.data() + L.rowCountAt, t.rowCount);
    PutU32(d.data() + L.autoNumberAt, 0);
    d[L.autoNumberFlagAt] = 1;
    d[L.tableTypeAt] = t.tableType;
    const auto columns = static_cast<uint16_t>(t.columns.size());
    PutU16(d.data() + L.maxColsAt, columns);
    PutU16(d.data() + L.varColCountAt, t.varColumns);
    PutU16(d.data() + L.colCountAt, columns);
    PutU32(d.data() + L.indexCountAt, 0);
    PutU32(d.data() + L.realIndexCountAt, 0);
    PutU32(d.data() + L.ownedMapAt, slotPgRows[t.ownedMapSlot]);
    PutU32(d.data() + L.freeMapAt, slotPgRows[t.ownedMapSlot + 1]);

    for (const ColumnDef& c : t.columns) {
        uint8_t e[25] = {};
        static_assert(sizeof e == kTdef.columnEntrySize);
        e[C.typeAt] = static_cast<uint8_t>(c.type);
        PutU32(e + C.magicAt, kTdefMagic);
        PutU16(e + C.numberAt, c.number);
        PutU16(e + C.varIndexAt, c.varIndex);
        PutU16(e + C.otherIndexAt, c.number);
        if (c.type == ColumnType::Text || c.type == ColumnType::Memo) PutU16(e + C.sortOrderAt, kSortLcid);
        e[C.flagsAt] = c.flags;
        e[C.extraFlagsAt] = c.extraFlags;
        PutU16(e + C.fixedOffsetAt, c.fixedOffset);
        PutU16(e + C.lengthAt, c.length);
        d.insert(d.end(), e, e + sizeof e);
    }
    for (const ColumnDef& c : t.columns) {
        AppendU16(d, static_cast<uint16_t>(2 * c.name.size()));
        for (const char16_t u : c.name) AppendU16(d, u);
    }
    size_t longValue = 0;
    for (const ColumnDef& c : t.columns) {
        if (!IsLongValue(c.type)) continue;
        const uint32_t slot = t.longValueMapSlots[longValue++];
        AppendU16(d, c.number);
        AppendU32(d, slotPgRows[slot]);
        AppendU32(d, slotPgRows[slot + 1]);
    }
    AppendU16(d, kTdefTerminator);
    PutU32(d.data() + L.lengthAt, static_cast<uint32_t>(d.size()));
    return d;
}

// Pages a definition of `length` bytes needs: the first page holds 4096 bytes
// of it, each continuation page 4088 after its own header.
uint32_t TdefPagesFor(size_t length) {
    if (length <= kPageSize) return 1;
    const size_t perPage = kPageSize - kTdefContinuationHeader;
    return static_cast<uint32_t>(1 + (length - kPageSize + perPage - 1) / perPage);
}

void WriteTdefPages(FileImage& file, const TableDef& t, const std::vector<uint8_t>& def) {
    assert(TdefPagesFor(def.size()) == t.tdefPageCount);
    size_t at = 0;
    for (uint32_t i = 0; i < t.tdefPageCount; ++i) {
        uint8_t* p = file.Page(t.tdefPage + i);
        const size_t dataAt = i == 0 ? 0 : kTdefContinuationHeader;
        const size_t chunk = std::min(def.size() - at, kPageSize - dataAt);
        std::copy(def.begin() + static_cast<std::ptrdiff_t>(at),
                  def.begin() + static_cast<std::ptrdiff_t>(at + chunk), p + dataAt);
        at += chunk;
        p[0] = kPageTableDef;
        p[1] = 0x01;
        // Free space counts as if every page had the 8-byte header; a full
        // first page records none.
        const size_t room = kPageSize - kTdefContinuationHeader;
        const size_t free = chunk < room ? room - chunk : 0;
        PutU16(p + kTdef.freeSpaceAt, static_cast<uint16_t>(free));
        PutU32(p + kTdef.nextPageAt, i + 1 < t.tdefPageCount ? t.tdefPage + i + 1 : 0);
    }
}

// ---- rows ------------------------------------------------------------------

using Value = std::optional<std::vector<uint8_t>>;   // nullopt is NULL

// One row: u16 column count | fixed area | variable data | u16 end of data |
// variable offsets, last first | u16 variable count | null mask (1 = present).
// nullopt when the row would exceed the longest row a page takes.
std::optional<std::vector<uint8_t>> BuildRow(const TableDef& t, const std::vector<Value>& values) {
    const size_t maskBytes = (t.columns.size() + 7) / 8;
    size_t size = 2 + t.fixedSize + maskBytes;
    if (t.varColumns > 0) size += 2 + 2u * t.varColumns + 2;
    for (const ColumnDef& c : t.columns)
        if (!IsFixed(c.type) && values[c.number]) size += values[c.number]->size();
    if (size > kMaxRowSize) return std::nullopt;

    std::vector<uint8_t> row(2 + t.fixedSize, 0);
    row.reserve(size);
    PutU16(row.data(), static_cast<uint16_t>(t.columns.size()));
    std::vector<uint8_t> mask(maskBytes, 0);
    std::vector<uint16_t> varOffsets(t.varColumns, 0);
    for (const ColumnDef& c : t.columns) {
        const Value& v = values[c.number];
        const bool present = c.type == ColumnType::Boolean ? v && !v->empty() && (*v)[0] != 0 : v.has_value();
        if (present) mask[c.number / 8] = static_cast<uint8_t>(mask[c.number / 8] | 1u << (c.number % 8));
        if (IsFixed(c.type)) {
            if (c.type != ColumnType::Boolean && v)
                std::copy_n(v->begin(), std::min<size_t>(v->size(), c.length), row.begin() + 2 + c.fixedOffset);
        }
    }
    if (t.varColumns > 0) {
        for (const ColumnDef& c : t.columns) {
            if (IsFixed(c.type)) continue;
            varOffsets[c.varIndex] = static_cast<uint16_t>(row.size());
            if (values[c.number]) row.insert(row.end(), values[c.number]->begin(), values[c.number]->end());
        }
        AppendU16(row, static_cast<uint16_t>(row.size()));   // end of the variable data
        for (size_t v = t.varColumns; v-- > 0;) AppendU16(row, varOffsets[v]);
        AppendU16(row, t.varColumns);
    }
    row.insert(row.end(), mask.begin(), mask.end());
    assert(row.size() == size);
    return row;
}

uint8_t* RowAt(FileImage& file, uint32_t pgRow) {
    uint8_t* p = file.Page(pgRow >> 8);
    const uint32_t entry = kDataPage.rowTableAt + 2 * (pgRow & 0xFF);
    return p + (p[entry] | (p[entry + 1] << 8));
}

// Stores a long value and returns what the row holds for it: the 12-byte
// header, followed by the data itself when it is kept in the row (values of
// at most kMaxInlineLongValue bytes).
std::optional<std::vector<uint8_t>> StoreLongValue(FileImage& file, RowPageWriter& lval,
                                                   const std::vector<uint8_t>& data, bool keepInRow) {
    const auto length = static_cast<uint32_t>(data.size());
    assert(length <= kMaxLongValueLength);
    std::vector<uint8_t> field(kLongValue.headerSize, 0);
    if (keepInRow) {
        assert(length <= kMaxInlineLongValue);
        PutU32(field.data(), length | uint32_t{kLongValueInline} << 24);
        field.insert(field.end(), data.begin(), data.end());
        return field;
    }
    if (length <= kMaxSingleLongValue) {
        const auto at = lval.Append(data);
        if (!at) return std::nullopt;
        PutU32(field.data(), length | uint32_t{kLongValueSingle} << 24);
        PutU32(field.data() + 4, *at);
        return field;
    }
    // A chain: each row is the pg_row of the next row (0 ends it) and a chunk.
    std::optional<uint32_t> first, previous;
    std::vector<uint8_t> chainRow;
    for (uint32_t done = 0; done < length;) {
        const uint32_t chunk = std::min(kChainChunk, length - done);
        chainRow.assign(4, 0);
        chainRow.insert(chainRow.end(), data.begin() + done, data.begin() + done + chunk);
        const auto at = lval.AppendAlone(chainRow);
        if (!at) return std::nullopt;
        if (previous) PutU32(RowAt(file, *previous), *at);
        else first = at;
        previous = at;
        done += chunk;
    }
    PutU32(field.data(), length | uint32_t{kLongValueChain} << 24);
    PutU32(field.data() + 4, *first);
    return field;
}

// ---- input checks ----------------------------------------------------------

Error Refused(std::string message) { return Error{Error::WriteFailed, std::move(message), 0}; }

std::string Quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

// Names as Jet accepts them: 1 to 64 characters, no control characters, none
// of . ! ` [ ], not starting with a space.
std::optional<Error> CheckName(std::string_view utf8, std::string_view what, std::u16string& out) {
    auto name = DecodeUtf8Strictly(utf8);
    if (!name) return Refused("The " + std::string(what) + " name is not valid UTF-8.");
    if (name->empty() || name->size() > kMaxNameUnits)
        return Refused("The " + std::string(what) + " name " + Quoted(utf8) + " must have 1 to 64 characters.");
    if (name->front() == u' ')
        return Refused("The " + std::string(what) + " name " + Quoted(utf8) + " must not start with a space.");
    for (const char16_t u : *name) {
        if (u < 0x20 || u == u'.' || u == u'!' || u == u'`' || u == u'[' || u == u']')
            return Refused("The " + std::string(what) + " name " + Quoted(utf8) +
                           " holds a character Jet does not allow in names (control characters, . ! ` [ ]).");
    }
    out = std::move(*name);
    return std::nullopt;
}

std::u16string FoldAscii(std::u16string_view s) {
    std::u16string out(s);
    for (char16_t& u : out)
        if (u >= u'A' && u <= u'Z') u = static_cast<char16_t>(u - u'A' + u'a');
    return out;
}

// ---- system tables ---------------------------------------------------------

struct ColumnSpec {
    const char16_t* name;
    ColumnType type;
    uint16_t length;
};

TableDef SystemTable(const char16_t* name, std::initializer_list<ColumnSpec> columns) {
    TableDef t;
    t.name = name;
    t.tableType = kTableTypeSystem;
    for (const ColumnSpec& c : columns) {
        const uint8_t flags = c.type == ColumnType::Boolean ? kColumnFlagSystem : kColumnFlagSystem | kColumnFlagNullable;
        t.columns.push_back(ColumnDef{c.name, c.type, c.length, flags, 0});
    }
    LayOutColumns(t);
    return t;
}

TableDef CatalogTable() {
    return SystemTable(u"MSysObjects", {
        {u"Id", ColumnType::Long, 4}, {u"ParentId", ColumnType::Long, 4},
        {u"Name", ColumnType::Text, kMaxTextLength}, {u"Type", ColumnType::Integer, 2},
        {u"DateCreate", ColumnType::DateTime, 8}, {u"DateUpdate", ColumnType::DateTime, 8},
        {u"Owner", ColumnType::Binary, kMaxTextLength}, {u"Flags", ColumnType::Long, 4},
        {u"Database", ColumnType::Memo, 0}, {u"Connect", ColumnType::Memo, 0},
        {u"ForeignName", ColumnType::Text, kMaxTextLength}, {u"RmtInfoShort", ColumnType::Binary, kMaxTextLength},
        {u"RmtInfoLong", ColumnType::Ole, 0}, {u"Lv", ColumnType::Ole, 0}, {u"LvProp", ColumnType::Ole, 0},
        {u"LvModule", ColumnType::Ole, 0}, {u"LvExtra", ColumnType::Ole, 0},
    });
}

// The access-control, query and relationship tables an empty database has,
// written empty.
std::vector<TableDef> OtherSystemTables() {
    std::vector<TableDef> tables;
    tables.push_back(SystemTable(u"MSysACEs", {
        {u"ObjectId", ColumnType::Long, 4}, {u"SID", ColumnType::Binary, kMaxTextLength},
        {u"ACM", ColumnType::Long, 4}, {u"FInheritable", ColumnType::Boolean, 1},
    }));
    tables.push_back(SystemTable(u"MSysQueries", {
        {u"ObjectId", ColumnType::Long, 4}, {u"Attribute", ColumnType::Byte, 1},
        {u"Order", ColumnType::Binary, kMaxTextLength}, {u"Name1", ColumnType::Text, kMaxTextLength},
        {u"Name2", ColumnType::Text, kMaxTextLength}, {u"Expression", ColumnType::Memo, 0},
        {u"Flag", ColumnType::Integer, 2}, {u"LvExtra", ColumnType::Long, 4},
    }));
    tables.push_back(SystemTable(u"MSysRelationships", {
        {u"szRelationship", ColumnType::Text, kMaxTextLength}, {u"grbit", ColumnType::Long, 4},
        {u"ccolumn", ColumnType::Long, 4}, {u"icolumn", ColumnType::Long, 4},
        {u"szObject", ColumnType::Text, kMaxTextLength}, {u"szColumn", ColumnType::Text, kMaxTextLength},
        {u"szReferencedObject", ColumnType::Text, kMaxTextLength},
        {u"szReferencedColumn", ColumnType::Text, kMaxTextLength},
    }));
    return tables;
}

std::vector<uint8_t> U32Bytes(uint32_t v) {
    std::vector<uint8_t> b(4);
    PutU32(b.data(), v);
    return b;
}

std::vector<uint8_t> Ucs2Bytes(std::u16string_view s) {
    std::vector<uint8_t> b;
    for (const char16_t u : s) AppendU16(b, u);
    return b;
}

// ---- the writer ------------------------------------------------------------

// Usage-map rows on a holder page: as many 69-byte rows as fit with their
// row-offset entries, well under the 255-row limit.
constexpr uint32_t kMapRowsPerHolder =
    (kPageSize - kDataPage.rowTableAt) / (kUsageMapRowSize + 2u);

class DatabaseWriter {
public:
    DatabaseWriter(const NewTable& input, std::u16string password, double creationDate)
        : input_(input), password_(std::move(password)), date_(creationDate) {}

    std::optional<Error> Plan(TableDef user);
    std::optional<Error> StoreRows();
    std::optional<Error> BuildMaps();
    std::vector<uint8_t> Finish();

private:
    enum class Stage { Empty, Planned, RowsStored, MapsBuilt, Complete };

    static Error FileFull() {
        return Refused("The database would pass the 2 GB a Jet 4 file can hold.");
    }
    uint32_t AssignMapSlots(TableDef& t);
    std::vector<uint8_t> CatalogRow(uint32_t id, uint32_t parentId, std::u16string_view name, int16_t type,
                                    uint32_t flags, const std::array<uint8_t, 2>& owner) const;
    std::vector<uint32_t> PagesWithRoom(const std::vector<uint32_t>& pages, size_t smallestRow) const;

    const NewTable& input_;
    std::u16string password_;
    double date_;
    Stage stage_ = Stage::Empty;
    FileImage file_;

    TableDef catalog_;
    std::vector<TableDef> system_;
    TableDef user_;
    uint32_t catalogDataPage_ = 0;
    uint32_t firstHolderPage_ = 0;
    uint32_t mapSlots_ = 0;
    std::vector<uint32_t> slotPgRows_;
    std::vector<std::vector<uint8_t>> mapRows_;          // per slot
    std::optional<RowPageWriter> userData_;
    std::vector<RowPageWriter> longValuePages_;          // per Memo column of the user table
};

uint32_t DatabaseWriter::AssignMapSlots(TableDef& t) {
    t.ownedMapSlot = mapSlots_;
    mapSlots_ += 2;
    t.longValueMapSlots.clear();
    for (const ColumnDef& c : t.columns) {
        if (!IsLongValue(c.type)) continue;
        t.longValueMapSlots.push_back(mapSlots_);
        mapSlots_ += 2;
    }
    return t.ownedMapSlot;
}

std::optional<Error> DatabaseWriter::Plan(TableDef user) {
    assert(stage_ == Stage::Empty);
    catalog_ = CatalogTable();
    system_ = OtherSystemTables();
    user_ = std::move(user);
    user_.rowCount = static_cast<uint32_t>(input_.rows.size());

    AssignMapSlots(catalog_);
    for (TableDef& t : system_) AssignMapSlots(t);
    AssignMapSlots(user_);
    const uint32_t holderPages = (mapSlots_ + kMapRowsPerHolder - 1) / kMapRowsPerHolder;

    // Page 0 the database page, 1 the global map, then the system table
    // definitions from page 2 on (the catalog's must be page 2), the catalog's
    // data page, the usage-map holders and the user table's definition.
    uint32_t next = 2;
    catalog_.tdefPage = next++;
    for (TableDef& t : system_) t.tdefPage = next++;
    catalogDataPage_ = next++;
    firstHolderPage_ = next;
    next += holderPages;
    for (uint32_t s = 0; s < mapSlots_; ++s)
        slotPgRows_.push_back(PgRow(firstHolderPage_ + s / kMapRowsPerHolder, s % kMapRowsPerHolder));
    user_.tdefPage = next;
    user_.tdefPageCount = TdefPagesFor(BuildTdef(user_, slotPgRows_).size());
    next += user_.tdefPageCount;
    for (uint32_t p = 0; p < next; ++p)
        if (!file_.AllocatePage()) return FileFull();

    userData_.emplace(file_, user_.tdefPage);
    for (size_t i = 0; i < user_.longValueMapSlots.size(); ++i) longValuePages_.emplace_back(file_, kLvalTag);
    stage_ = Stage::Planned;
    return std::nullopt;
}

std::optional<Error> DatabaseWriter::StoreRows() {
    assert(stage_ == Stage::Planned);
    const size_t columns = user_.columns.size();
    std::vector<Value> values(columns);
    std::vector<std::vector<uint8_t>> memoBytes(columns);   // stored form of each Memo cell
    std::vector<bool> inlineMemo(columns);
    std::vector<size_t> memoIndex(columns);
    for (size_t c = 0, m = 0; c < columns; ++c)
        if (user_.columns[c].type == ColumnType::Memo) memoIndex[c] = m++;
    const size_t emptyRow = BuildRow(user_, std::vector<Value>(columns))->size();

    for (size_t r = 0; r < input_.rows.size(); ++r) {
        const Row& row = input_.rows[r];
        const std::string where = "Row " + std::to_string(r + 1);
        if (row.size() != columns)
            return Refused(where + " has " + std::to_string(row.size()) + " cells; the table has " +
                           std::to_string(columns) + " columns.");
        size_t rowSize = emptyRow;
        for (size_t c = 0; c < columns; ++c) {
            const ColumnDef& column = user_.columns[c];
            values[c].reset();
            inlineMemo[c] = false;
            if (!row[c]) continue;
            const std::string cell = where + ", column " + Quoted(input_.columns[c].name);
            const auto text = DecodeUtf8Strictly(*row[c]);
            if (!text) return Refused(cell + ": the text is not valid UTF-8.");
            if (text->find(u'\0') != std::u16string::npos)
                return Refused(cell + ": the text holds a NUL character, which Jet readers take as its end.");
            if (column.type == ColumnType::Text && text->size() * 2 > column.length)
                return Refused(cell + ": the text has " + std::to_string(text->size()) +
                               " UTF-16 units; the column holds at most " + std::to_string(column.length / 2) + ".");
            // Memo text is compressed only up to 1024 characters, as Jet does.
            const bool compress = column.type == ColumnType::Text || text->size() <= kMaxCompressedMemoUnits;
            auto stored = EncodeText(*text, compress);
            if (!stored)
                return Refused(cell + ": text starting with U+FEFF and holding a character whose low byte is 0 "
                                      "cannot be stored.");
            if (column.type == ColumnType::Text) {
                rowSize += stored->size();
                values[c] = std::move(stored);
                continue;
            }
            if (stored->size() > kMaxLongValueLength)
                return Refused(cell + ": the text is longer than the 16 MB a Memo value can hold.");
            inlineMemo[c] = stored->size() <= kMaxInlineLongValue;
            rowSize += kLongValue.headerSize + (inlineMemo[c] ? stored->size() : 0);
            memoBytes[c] = std::move(*stored);
        }
        // Short Memo values live in the row while it stays within bounds;
        // otherwise the longest of them move out to LVAL pages first.
        while (rowSize > kMaxRowSize) {
            size_t longest = columns;
            for (size_t c = 0; c < columns; ++c)
                if (inlineMemo[c] && (longest == columns || memoBytes[c].size() > memoBytes[longest].size()))
                    longest = c;
            if (longest == columns) return Refused(where + " is longer than the 4060 bytes a Jet row can hold.");
            inlineMemo[longest] = false;
            rowSize -= memoBytes[longest].size();
        }
        for (size_t c = 0; c < columns; ++c) {
            if (user_.columns[c].type != ColumnType::Memo || !row[c]) continue;
            values[c] = StoreLongValue(file_, longValuePages_[memoIndex[c]], memoBytes[c], inlineMemo[c]);
            if (!values[c]) return FileFull();
        }
        const auto bytes = BuildRow(user_, values);
        assert(!bytes || bytes->size() == rowSize);
        if (!bytes) return Refused(where + " is longer than the 4060 bytes a Jet row can hold.");
        if (!userData_->Append(*bytes)) return FileFull();
    }
    stage_ = Stage::RowsStored;
    return std::nullopt;
}

std::vector<uint32_t> DatabaseWriter::PagesWithRoom(const std::vector<uint32_t>& pages, size_t smallestRow) const {
    std::vector<uint32_t> withRoom;
    for (const uint32_t p : pages) {
        const uint8_t* page = file_.Page(p);
        if (DataPageRowCount(page) < kMaxRowsPerPage && DataPageFreeSpace(page) >= smallestRow + 2)
            withRoom.push_back(p);
    }
    return withRoom;
}

std::optional<Error> DatabaseWriter::BuildMaps() {
    assert(stage_ == Stage::RowsStored);
    mapRows_.assign(mapSlots_, std::vector<uint8_t>(kUsageMapRowSize, 0));   // empty inline maps
    auto setMap = [&](uint32_t slot, std::vector<uint32_t> pages) {
        std::sort(pages.begin(), pages.end());
        auto row = BuildUsageMap(file_, pages);
        if (!row) return false;
        mapRows_[slot] = std::move(*row);
        return true;
    };
    // The catalog's rows all sit on its one data page, which keeps room.
    if (!setMap(catalog_.ownedMapSlot, {catalogDataPage_}) || !setMap(catalog_.ownedMapSlot + 1, {catalogDataPage_}))
        return FileFull();

    // A data page counts as having free space while the smallest row of its
    // table (every cell NULL) still fits; an LVAL page while the smallest
    // value kept outside a row does.
    std::vector<Value> nulls(user_.columns.size());
    const size_t smallestRow = BuildRow(user_, nulls)->size();
    if (!setMap(user_.ownedMapSlot, userData_->Pages()) ||
        !setMap(user_.ownedMapSlot + 1, PagesWithRoom(userData_->Pages(), smallestRow)))
        return FileFull();
    for (size_t i = 0; i < longValuePages_.size(); ++i) {
        const uint32_t slot = user_.longValueMapSlots[i];
        if (!setMap(slot, longValuePages_[i].Pages()) ||
            !setMap(slot + 1, PagesWithRoom(longValuePages_[i].Pages(), kMaxInlineLongValue + 1)))
            return FileFull();
    }
    stage_ = Stage::MapsBuilt;
    return std::nullopt;
}

std::vector<uint8_t> DatabaseWriter::CatalogRow(uint32_t id, uint32_t parentId, std::u16string_view name,
                                                int16_t type, uint32_t flags,
                                                const std::array<uint8_t, 2>& owner) const {
    std::vector<Value> v(catalog_.columns.size());
    std::vector<uint8_t> date(8);
    PutDouble(date.data(), date_);
    std::vector<uint8_t> typeBytes(2);
    PutU16(typeBytes.data(), static_cast<uint16_t>(type));
    v[0] = U32Bytes(id);
    v[1] = U32Bytes(parentId);
    v[2] = Ucs2Bytes(name);   // catalog names are plain UCS-2
    v[3] = typeBytes;
    v[4] = date;
    v[5] = date;
    v[6] = std::vector<uint8_t>(owner.begin(), owner.end());
    v[7] = U32Bytes(flags);
    auto row = BuildRow(catalog_, v);
    assert(row);   // names are at most 64 characters
    return *row;
}

std::vector<uint8_t> DatabaseWriter::Finish() {
    assert(stage_ == Stage::MapsBuilt);
    // Usage-map holders: type 0x01 pages owned by no table.
    for (uint32_t h = 0, s = 0; s < mapSlots_; ++h) {
        RowPageWriter holder(file_, kUsageMapHolderOwner);
        holder.StartOn(firstHolderPage_ + h);
        for (uint32_t k = 0; k < kMapRowsPerHolder && s < mapSlots_; ++k, ++s) {
            const auto at = holder.Append(mapRows_[s]);
            assert(at && *at == slotPgRows_[s]);
            (void)at;
        }
    }

    // The catalog: containers, the database object, the system tables and the user table.
    RowPageWriter catalogRows(file_, catalog_.tdefPage);
    catalogRows.StartOn(catalogDataPage_);
    std::vector<std::vector<uint8_t>> rows;
    rows.push_back(CatalogRow(kTablesContainerId, kContainersParentId, u"Tables", kObjectContainer,
                              kSystemObjectFlags, kOwnerAdmin));
    rows.push_back(CatalogRow(kDatabasesContainerId, kContainersParentId, u"Databases", kObjectContainer,
                              kSystemObjectFlags, kOwnerAdmin));
    rows.push_back(CatalogRow(kRelationshipsContainerId, kContainersParentId, u"Relationships", kObjectContainer,
                              kSystemObjectFlags, kOwnerAdmin));
    rows.push_back(CatalogRow(kDatabaseObjectId, kDatabasesContainerId, u"MSysDb", kObjectDatabase,
                              kSystemObjectFlags, kOwnerCreator));
    rows.push_back(CatalogRow(catalog_.tdefPage, kTablesContainerId, catalog_.name, static_cast<int16_t>(kObjectTypeTable),
                              kSystemObjectFlags, kOwnerAdmin));
    for (const TableDef& t : system_)
        rows.push_back(CatalogRow(t.tdefPage, kTablesContainerId, t.name, static_cast<int16_t>(kObjectTypeTable), kSystemObjectFlags,
                                  kOwnerAdmin));
    rows.push_back(CatalogRow(user_.tdefPage, kTablesContainerId, user_.name, static_cast<int16_t>(kObjectTypeTable), 0, kOwnerCreator));
    for (const auto& row : rows) {
        const auto at = catalogRows.Append(row);
        assert(at && (*at >> 8) == catalogDataPage_);
        (void)at;
    }
    catalog_.rowCount = static_cast<uint32_t>(rows.size());

    WriteTdefPages(file_, catalog_, BuildTdef(catalog_, slotPgRows_));
    for (const TableDef& t : system_) WriteTdefPages(file_, t, BuildTdef(t, slotPgRows_));
    WriteTdefPages(file_, user_, BuildTdef(user_, slotPgRows_));

    // Page 1: the global map, where a set bit marks a free page.
    RowPageWriter global(file_, kGlobalMapPage);   // the owner field of page 1 is 1
    global.StartOn(kGlobalMapPage);
    std::vector<uint8_t> freePages(kUsageMapRowSize, 0);
    freePages[0] = kMapInline;
    for (uint32_t p = file_.PageCount(); p < kInlineMapPages; ++p)
        freePages[5 + p / 8] = static_cast<uint8_t>(freePages[5 + p / 8] | 1u << (p % 8));
    global.Append(freePages);
    global.Append(std::vector<uint8_t>(kUsageMapRowSize, 0));

    WriteDatabasePage(file_.Page(0), date_, password_);
    stage_ = Stage::Complete;
    return file_.Release();
}

}  // namespace
}  // namespace writer

double CurrentJetDate() {
    using namespace std::chrono;
    const double seconds = duration<double>(system_clock::now().time_since_epoch()).count();
    constexpr double kUnixEpochInJetDays = 25569.0;   // 1970-01-01 counted from 1899-12-30
    return kUnixEpochInJetDays + seconds / 86400.0;
}

Result<std::vector<uint8_t>> WriteDatabase(const NewTable& table, std::string_view password,
                                           const WriteOptions& options) {
    using namespace writer;
    const auto pw = DecodeUtf8Strictly(password);
    if (!pw) return Refused("The database password is not valid UTF-8.");
    if (pw->size() > kMaxPasswordChars)
        return Refused("The database password has " + std::to_string(pw->size()) +
                       " UTF-16 units; Jet 4 keeps at most 20.");
    if (pw->find(u'\0') != std::u16string::npos) return Refused("The database password holds a NUL character.");

    TableDef user;
    user.tableType = kTableTypeUser;
    if (auto e = CheckName(table.name, "table", user.name)) return *e;
    std::vector<TableDef> reserved = OtherSystemTables();
    reserved.push_back(CatalogTable());
    for (const TableDef& t : reserved)
        if (FoldAscii(t.name) == FoldAscii(user.name))
            return Refused("The table name " + Quoted(table.name) + " is reserved for a system table.");
    if (table.columns.empty()) return Refused("The table " + Quoted(table.name) + " has no columns.");
    if (table.columns.size() > kMaxColumns)
        return Refused("The table " + Quoted(table.name) + " has " + std::to_string(table.columns.size()) +
                       " columns; Jet allows at most 255.");
    for (const Column& c : table.columns) {
        ColumnDef def{u"", c.type, 0, kColumnFlagNullable, kColumnExtraCompressed};
        if (auto e = CheckName(c.name, "column", def.name)) return *e;
        for (const ColumnDef& earlier : user.columns)
            if (FoldAscii(earlier.name) == FoldAscii(def.name))
                return Refused("The column name " + Quoted(c.name) + " appears twice.");
        if (c.type == ColumnType::Text) {
            if (c.maxLength < 2 || c.maxLength > kMaxTextLength || c.maxLength % 2 != 0)
                return Refused("The Text column " + Quoted(c.name) + " has length " + std::to_string(c.maxLength) +
                               "; it must be an even number of bytes from 2 to 510.");
            def.length = c.maxLength;
        } else if (c.type != ColumnType::Memo) {
            return Error{Error::Unsupported,
                         "The column " + Quoted(c.name) + " is neither Text nor Memo; only those can be written.", 0};
        }
        user.columns.push_back(std::move(def));
    }
    LayOutColumns(user);

    DatabaseWriter writer(table, std::move(*pw), options.creationDate);
    if (auto e = writer.Plan(std::move(user))) return *e;
    if (auto e = writer.StoreRows()) return *e;
    if (auto e = writer.BuildMaps()) return *e;
    return writer.Finish();
}

Result<std::vector<uint8_t>> WriteDatabase(const NewTable& table, std::string_view password) {
    return WriteDatabase(table, password, WriteOptions{CurrentJetDate()});
}

}  // namespace jet
