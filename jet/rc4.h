// RC4 as Jet uses it: the header block of the database page, and whole pages
// when the database carries a page-encryption key.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

namespace jet {

class Rc4 {
public:
    explicit Rc4(std::span<const uint8_t> key);
    // XORs the keystream into data, continuing where the last call stopped.
    void Apply(std::span<uint8_t> data);

private:
    uint8_t s_[256];
    uint8_t i_ = 0, j_ = 0;
};

// Encrypts or decrypts (the same operation) one page of a database whose
// db_key is not zero: RC4 over the whole page with key LE32(dbKey ^ pageNumber).
void ApplyPageCipher(std::span<uint8_t> page, uint32_t dbKey, uint32_t pageNumber);

// Encrypts or decrypts the database page's header block in place; `page0`
// must hold at least the block's end.
void ApplyHeaderCipher(std::span<uint8_t> page0);

}  // namespace jet
