// SHA-256 (FIPS 180-4), for checking a downloaded bank against the digest its
// publisher wrote down. The program on Windows hashes with the system's own
// implementation; the bank tool and the tests use this one.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace base {

class Sha256 {
public:
    using Digest = std::array<uint8_t, 32>;

    Sha256();
    void Update(const void* data, size_t size);
    void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }
    // The digest of everything passed to Update; the object is spent afterwards.
    Digest Finish();

private:
    void Block(const uint8_t* block);

    std::array<uint32_t, 8> state_;
    std::array<uint8_t, 64> pending_{};   // bytes of the block not yet complete
    size_t pendingSize_ = 0;
    uint64_t totalBytes_ = 0;
};

// Lower-case hexadecimal, two digits per byte.
std::string HexDigest(const Sha256::Digest& digest);
std::string Sha256Hex(const void* data, size_t size);

}  // namespace base
