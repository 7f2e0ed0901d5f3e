// What the writer adds to the shared Jet 4 layout (jet/format.h): the choices
// it makes when it produces a file (usage-map row size, when a long value
// leaves the row, the catalog's ids and flags) and the limits it enforces on
// its input. All integers are little-endian.
#pragma once
#include <array>
#include <cstdint>

#include "jet/format.h"

namespace jet::writer {

using namespace jet::format;   // the layout tables and constants shared with the reader

// Jet 4 files stop at 2 GB: page numbers beyond this are never handed out.
constexpr uint32_t kMaxPages = 0x80000000u / kPageSize;

// Page 0 values written in the header block.
constexpr uint32_t kJet4Version = kVersionJet4;   // written as a u32
constexpr uint16_t kCodePage = 1252;
constexpr uint16_t kSortLcid = 0x0409;            // "General" sort order, version 0

// Usage maps: one row on a map holder page. The writer always makes rows of
// the same size, whichever of the two forms they take:
//   inline     00 | u32 first page | 64-byte bitmap (512 pages)
//   reference  01 | 17 x u32 bitmap page (0 = none)
constexpr uint16_t kUsageMapRowSize = 69;
constexpr uint32_t kInlineMapPages = (kUsageMapRowSize - kMapInlineHeader) * 8;   // 512
constexpr uint32_t kReferenceMapSlots = (kUsageMapRowSize - 1) / 4;               // 17
constexpr uint32_t kUsageMapHolderOwner = 0;   // owner field of a map holder page
constexpr uint32_t kGlobalMapPage = 1;         // page 1: a set bit marks a free page

// Long values (Memo): where a value goes, by its stored length.
constexpr uint32_t kMaxInlineLongValue = 64;      // kept in the row
constexpr uint32_t kMaxSingleLongValue = 4076;    // one LVAL row
constexpr uint32_t kChainChunk = 4072;            // data bytes per chain row (row = link + chunk)
constexpr uint32_t kMaxLongValueLength = kLongValueLengthMask;
constexpr uint32_t kMaxCompressedMemoUnits = 1024;   // longer Memo text is stored plainly

// Input limits.
constexpr uint16_t kMaxTextLength = 510;          // bytes: 255 UCS-2 characters
constexpr uint32_t kMaxColumns = 255;
constexpr uint32_t kMaxNameUnits = 64;

// Column flag the system tables carry.
constexpr uint8_t kColumnFlagSystem = 0x10;

// Catalog (MSysObjects) values.
constexpr uint32_t kTablesContainerId = 0x0F000001;
constexpr uint32_t kDatabasesContainerId = 0x0F000002;
constexpr uint32_t kRelationshipsContainerId = 0x0F000003;
constexpr uint32_t kContainersParentId = 0x0F000000;
constexpr uint32_t kDatabaseObjectId = 0x10000000;   // MSysDb
constexpr uint32_t kSystemObjectFlags = 0x80000000;
constexpr int16_t kObjectDatabase = 2;
constexpr int16_t kObjectContainer = 3;
constexpr std::array<uint8_t, 2> kOwnerAdmin{0xA7, 0x31};    // Owner of the system objects
constexpr std::array<uint8_t, 2> kOwnerCreator{0xA6, 0x33};  // Owner of MSysDb and the user table

}  // namespace jet::writer
