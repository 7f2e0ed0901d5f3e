#include "jet/database_page.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "jet/cursor.h"
#include "jet/format.h"
#include "jet/rc4.h"

namespace jet {

std::array<uint8_t, 4> PasswordMask(double creationDate) {
    int32_t days = 0;
    if (std::isnan(creationDate)) days = 0;
    else if (creationDate >= 2147483647.0) days = INT32_MAX;
    else if (creationDate <= -2147483648.0) days = INT32_MIN;
    else days = static_cast<int32_t>(creationDate);   // toward zero
    const auto u = static_cast<uint32_t>(days);
    return {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16),
            static_cast<uint8_t>(u >> 24)};
}

Result<DatabaseHeader> ReadDatabaseHeader(std::span<const uint8_t> file) {
    constexpr auto& L = format::kDatabasePage;
    if (file.empty()) return Error{Error::Empty, "The database file is empty.", 0};
    const size_t signatureEnd = size_t{L.signatureAt} + L.signatureSize;
    const bool jet = file.size() >= signatureEnd && file[0] == format::kPageDatabase &&
                     std::memcmp(file.data() + L.signatureAt, format::kJetSignature, L.signatureSize) == 0;
    const bool ace = !jet && file.size() >= signatureEnd &&
                     std::memcmp(file.data() + L.signatureAt, format::kAceSignature, L.signatureSize) == 0;
    if (ace) {
        return Error{Error::UnsupportedVersion,
                     "The file is a database of a later engine (ACE), not a Jet 4 database.", 0};
    }
    if (!jet) return Error{Error::NotJet, "The file is not a Jet database.", 0};
    if (file.size() <= L.versionAt) return Error{Error::Corrupt, "The database file is truncated.", 0};
    const uint8_t version = file[L.versionAt];
    if (version != format::kVersionJet4) {
        return Error{Error::UnsupportedVersion,
                     version == format::kVersionJet3
                         ? "The file is a Jet 3 database; only Jet 4 databases are supported."
                         : "The file is a database of a later engine version; only Jet 4 databases are supported.",
                     0};
    }
    if (file.size() < format::kPageSize || file.size() % format::kPageSize != 0) {
        return Error{Error::Corrupt, "The database file is truncated: its size is not a whole number of pages.", 0};
    }

    std::vector<uint8_t> block(file.begin(), file.begin() + L.headerBlockAt + L.headerBlockSize);
    ApplyHeaderCipher(block);
    Cursor c(block);
    DatabaseHeader h;
    h.version = version;
    h.codePage = c.u16At(L.codePageAt);
    h.dbKey = c.u32At(L.dbKeyAt);
    h.creationDate = c.f64At(L.creationDateAt);
    const auto mask = PasswordMask(h.creationDate);
    for (size_t i = 0; i + 1 < L.passwordSize; i += 2) {
        const auto lo = static_cast<uint8_t>(block[L.passwordAt + i] ^ mask[i % 4]);
        const auto hi = static_cast<uint8_t>(block[L.passwordAt + i + 1] ^ mask[(i + 1) % 4]);
        const auto u = static_cast<char16_t>(lo | hi << 8);
        if (u == 0) break;
        h.password.push_back(u);
    }
    return h;
}

}  // namespace jet
