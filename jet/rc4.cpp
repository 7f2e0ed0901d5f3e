#include "jet/rc4.h"

#include "jet/format.h"

namespace jet {

Rc4::Rc4(std::span<const uint8_t> key) {
    for (int k = 0; k < 256; ++k) s_[k] = static_cast<uint8_t>(k);
    if (key.empty()) return;
    uint8_t j = 0;
    for (size_t k = 0; k < 256; ++k) {
        j = static_cast<uint8_t>(j + s_[k] + key[k % key.size()]);
        const uint8_t t = s_[k];
        s_[k] = s_[j];
        s_[j] = t;
    }
}

void Rc4::Apply(std::span<uint8_t> data) {
    uint8_t i = i_, j = j_;
    for (uint8_t& b : data) {
        i = static_cast<uint8_t>(i + 1);
        j = static_cast<uint8_t>(j + s_[i]);
        const uint8_t t = s_[i];
        s_[i] = s_[j];
        s_[j] = t;
        b ^= s_[static_cast<uint8_t>(s_[i] + s_[j])];
    }
    i_ = i;
    j_ = j;
}

void ApplyPageCipher(std::span<uint8_t> page, uint32_t dbKey, uint32_t pageNumber) {
    const uint32_t k = dbKey ^ pageNumber;
    const uint8_t key[4] = {static_cast<uint8_t>(k), static_cast<uint8_t>(k >> 8), static_cast<uint8_t>(k >> 16),
                            static_cast<uint8_t>(k >> 24)};
    Rc4(key).Apply(page);
}

void ApplyHeaderCipher(std::span<uint8_t> page0) {
    constexpr auto& L = format::kDatabasePage;
    if (page0.size() < size_t{L.headerBlockAt} + L.headerBlockSize) return;
    Rc4(format::kHeaderKey).Apply(page0.subspan(L.headerBlockAt, L.headerBlockSize));
}

}  // namespace jet
