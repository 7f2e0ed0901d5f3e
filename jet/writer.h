// Writing a new Jet 4 database: the options behind jet::WriteDatabase.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "jet/database.h"

namespace jet {

struct WriteOptions {
    // Creation date recorded on page 0 and in the catalog, in days since
    // 1899-12-30 (fraction = time of day). It also masks the password.
    double creationDate;
};

// As WriteDatabase(table, password), with the creation date given, so that the
// same input always gives the same bytes.
Result<std::vector<uint8_t>> WriteDatabase(const NewTable& table, std::string_view password,
                                           const WriteOptions& options);

// Now, as a Jet date (UTC).
double CurrentJetDate();

}  // namespace jet
