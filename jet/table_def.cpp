#include "jet/table_def.h"

#include <algorithm>
#include <bit>
#include <optional>

#include "jet/cursor.h"
#include "jet/text_codec.h"

namespace jet {

using namespace format;

namespace {

// Gathers the logical definition: the first page, then bytes 8.. of each
// continuation page, up to the recorded length. The length is bounded by the
// file size, so a cyclic chain ends when the length is reached.
Result<std::vector<uint8_t>> GatherDefinition(const PageStore& store, uint32_t first, uint32_t length) {
    std::vector<uint8_t> out;
    out.reserve(length);
    uint32_t pageNo = first;
    const uint8_t* p = store.page(pageNo);
    out.insert(out.end(), p, p + std::min<uint32_t>(length, kPageSize));
    std::vector<uint32_t> visited{first};
    while (out.size() < length) {
        pageNo = LoadU32(p + kTdef.nextPageAt);
        p = store.page(pageNo);
        if (pageNo == 0 || !p || p[0] != kPageTableDef) {
            return CorruptAt(pageNo, "a table definition is cut short (missing continuation page)");
        }
        if (std::find(visited.begin(), visited.end(), pageNo) != visited.end()) {
            return CorruptAt(pageNo, "a table definition's continuation pages loop");
        }
        visited.push_back(pageNo);
        const size_t take = std::min<size_t>(length - out.size(), kPageSize - kTdefContinuationHeader);
        out.insert(out.end(), p + kTdefContinuationHeader, p + kTdefContinuationHeader + take);
    }
    return out;
}

}  // namespace

Result<TableDef> ReadTableDef(const PageStore& store, uint32_t page) {
    const uint8_t* p = store.page(page);
    if (!p) return CorruptAt(page, "a table definition lies past the end of the file");
    if (p[0] != kPageTableDef) return CorruptAt(page, "a table's definition page has the wrong page type");
    const uint32_t length = LoadU32(p + kTdef.lengthAt);
    if (length < kTdef.headerSize || length > uint64_t{store.pageCount()} * kPageSize) {
        return CorruptAt(page, "a table definition has an impossible length");
    }
    auto gathered = GatherDefinition(store, page, length);
    if (!gathered) return gathered.error();
    Cursor c(*gathered);

    TableDef t;
    t.page = page;
    t.rowCount = c.u32At(kTdef.rowCountAt);
    t.maxCols = c.u16At(kTdef.maxColsAt);
    t.varColCount = c.u16At(kTdef.varColCountAt);
    const uint16_t colCount = c.u16At(kTdef.colCountAt);
    const uint32_t realIndexCount = c.u32At(kTdef.realIndexCountAt);
    t.ownedMap = c.u32At(kTdef.ownedMapAt);
    t.freeMap = c.u32At(kTdef.freeMapAt);
    if (!c.ok() || realIndexCount > length / kTdef.realIndexEntrySize ||
        colCount > length / kTdef.columnEntrySize) {
        return CorruptAt(page, "a table definition has impossible column or index counts");
    }

    c.seek(kTdef.headerSize);
    c.skip(size_t{realIndexCount} * kTdef.realIndexEntrySize);
    t.columns.resize(colCount);
    for (ColumnDef& col : t.columns) {
        const auto e = c.span(kTdef.columnEntrySize);
        if (!c.ok()) break;
        col.type = e[kColumnEntry.typeAt];
        col.number = LoadU16(e.data() + kColumnEntry.numberAt);
        col.varIndex = LoadU16(e.data() + kColumnEntry.varIndexAt);
        col.precision = e[kColumnEntry.precisionAt];
        col.scale = e[kColumnEntry.scaleAt];
        col.flags = e[kColumnEntry.flagsAt];
        col.fixedOffset = LoadU16(e.data() + kColumnEntry.fixedOffsetAt);
        col.length = LoadU16(e.data() + kColumnEntry.lengthAt);
    }
    for (ColumnDef& col : t.columns) {
        const uint16_t nameBytes = c.u16();
        const auto name = c.span(nameBytes);
        if (!c.ok()) break;
        AppendUcs2Text(name, col.name);
    }
    if (!c.ok()) return CorruptAt(page, "a table definition's columns run past its end");
    std::stable_sort(t.columns.begin(), t.columns.end(),
                     [](const ColumnDef& a, const ColumnDef& b) { return a.number < b.number; });
    return t;
}

Result<std::vector<uint32_t>> ReadUsageMap(const PageStore& store, uint32_t pgRow) {
    auto slot = FetchRow(store, pgRow, 0, true, "a usage map pointer");
    if (!slot) return slot.error();
    const auto map = slot->bytes;
    const uint32_t holder = SplitPgRow(pgRow).page;
    if (slot->flags == kRowDeleted || map.empty()) return CorruptAt(holder, "a usage map row is missing");

    // A page past the end ends the map: the list never holds more pages than
    // the file has (a reference map could otherwise name millions).
    std::vector<uint32_t> pages;
    std::optional<uint64_t> pastEnd;
    auto addBits = [&](std::span<const uint8_t> bits, uint64_t base) {
        for (size_t i = 0; i < bits.size() && !pastEnd; ++i) {
            uint8_t b = bits[i];
            while (b) {
                const int bit = std::countr_zero(b);
                const uint64_t n = base + i * 8 + static_cast<uint64_t>(bit);
                if (n >= store.pageCount()) {
                    pastEnd = n;
                    break;
                }
                pages.push_back(static_cast<uint32_t>(n));
                b = static_cast<uint8_t>(b & (b - 1));
            }
        }
    };
    if (map[0] == kMapInline) {
        if (map.size() < kMapInlineHeader) return CorruptAt(holder, "an inline usage map is too short");
        addBits(map.subspan(kMapInlineHeader), LoadU32(map.data() + 1));
    } else if (map[0] == kMapReference) {
        const size_t count = (map.size() - 1) / 4;
        for (size_t k = 0; k < count; ++k) {
            const uint32_t mapPage = LoadU32(map.data() + 1 + 4 * k);
            if (mapPage == 0) continue;
            const uint8_t* p = store.page(mapPage);
            if (!p || p[0] != kPageUsageMap) return CorruptAt(mapPage, "a usage map page is missing or of the wrong kind");
            addBits(std::span<const uint8_t>(p + kMapPageHeader, kPageSize - kMapPageHeader), uint64_t{k} * kMapPageBits);
        }
    } else {
        return CorruptAt(holder, "a usage map has an unknown kind");
    }
    if (pastEnd) {
        return CorruptAt(static_cast<uint32_t>(std::min<uint64_t>(*pastEnd, UINT32_MAX)),
                         "a table's usage map lists a page past the end of the file");
    }
    return pages;
}

}  // namespace jet
