// The question bank file: a Jet database scrambled byte by byte with a mask
// derived from a short key. Scrambling and unscrambling are one operation.
// Start-up unscrambles wd.dat once into a hidden temporary copy, and every
// query of the run opens that copy.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace questionbank {

// The key the shipped bank is scrambled with.
inline constexpr std::string_view kBankKey = "42m6";

// File name of the unscrambled copy inside the temporary folder.
inline constexpr std::string_view kTempCopyName = "d9x3.tmp";

// XORs bytes[j] with the key mask in place. The key array is {0, key[0], ...,
// key[L-1]} and its index runs 0, 2, 4, ... wrapping to 0 only once it passes L,
// so for a 4-character key the mask repeats every 3 bytes: 0, key[1], key[3].
void ScrambleBank(std::vector<uint8_t>& bytes, std::string_view key);

// Path of the unscrambled copy (UTF-8). When "tmp" is set and not empty the
// copy goes to tmpValue + "\d9x3.tmp", joined as plain text. Otherwise it goes
// to the system's temporary folder: an unset "tmp" must not send the copy to
// the root of the current drive. Empty when neither folder is known.
std::string TempCopyPathIn(std::string_view tmpValue, std::string_view systemTemp);

}  // namespace questionbank
