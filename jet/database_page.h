// The database definition page (page 0): engine version, page-encryption key,
// creation date and the masked database password.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "jet/database.h"

namespace jet {

struct DatabaseHeader {
    uint8_t version = 0;          // format::kVersionJet4 for Jet 4
    uint16_t codePage = 0;
    uint32_t dbKey = 0;           // 0 = pages stored in clear
    double creationDate = 0;      // days since 1899-12-30
    std::u16string password;      // empty when the database has none
};

// Checks that `file` is a whole Jet 4 database and decodes its header block.
// Fails with Empty, NotJet, UnsupportedVersion or Corrupt (truncated).
Result<DatabaseHeader> ReadDatabaseHeader(std::span<const uint8_t> file);

// The 4-byte mask XORed over the password field: the creation date truncated
// toward zero, as a little-endian 32-bit integer (saturating; NaN gives 0).
std::array<uint8_t, 4> PasswordMask(double creationDate);

}  // namespace jet
