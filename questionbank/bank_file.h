// The question bank file: a Jet database scrambled byte by byte with a mask
// derived from a short key. Scrambling and unscrambling are one operation.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

namespace questionbank {

// The key the shipped bank is scrambled with.
inline constexpr std::string_view kBankKey = "42m6";

// XORs bytes[j] with the key mask in place. The key array is {0, key[0], ...,
// key[L-1]} and its index runs 0, 2, 4, ... wrapping to 0 only once it passes L,
// so for a 4-character key the mask repeats every 3 bytes: 0, key[1], key[3].
void ScrambleBank(std::vector<uint8_t>& bytes, std::string_view key);

}  // namespace questionbank
