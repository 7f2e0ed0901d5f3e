// Unscrambling wd.dat into the hidden temporary copy (Windows file calls).
#pragma once
#include "base/result.h"

#include <string>
#include <string_view>

namespace questionbank {

// Where this run's copy goes: the folder named by "tmp" or, when "tmp" is unset
// or empty, the system's temporary folder; then "\d9x3.tmp". Empty if neither
// folder is known.
std::wstring TempCopyPath();

// Reads bankPath whole (missing or unreadable: an empty bank), unscrambles it
// with key and writes it to TempCopyPath(), replacing an earlier copy even if
// that one is hidden or read-only, and leaves the copy with the hidden
// attribute alone. When the copy cannot be written, no earlier copy is left in
// its place, the error is returned, and TempBankPathForQueries() stays empty.
base::Status<> UnpackBank(const std::wstring& bankPath, std::string_view key);

// The path start-up hands to the queries: the copy written by this run's
// UnpackBank, or empty when there is none, so the first query fails visibly.
std::wstring TempBankPathForQueries();

}  // namespace questionbank
