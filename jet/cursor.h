// Bounded little-endian reader over bytes taken from a file. A read outside the
// bytes returns zero (or an empty span) and clears ok(), which then stays false:
// callers check once after a group of reads instead of after each one.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace jet {

class Cursor {
public:
    Cursor() = default;
    explicit Cursor(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    bool ok() const { return ok_; }
    size_t size() const { return bytes_.size(); }
    size_t pos() const { return pos_; }
    std::span<const uint8_t> bytes() const { return bytes_; }
    bool fits(size_t at, size_t n) const { return at <= bytes_.size() && n <= bytes_.size() - at; }

    // Reads at an absolute offset; the position is left alone.
    uint8_t u8At(size_t at) { return fits(at, 1) ? bytes_[at] : fail<uint8_t>(); }
    uint16_t u16At(size_t at) {
        if (!fits(at, 2)) return fail<uint16_t>();
        return static_cast<uint16_t>(bytes_[at] | bytes_[at + 1] << 8);
    }
    uint32_t u32At(size_t at) {
        if (!fits(at, 4)) return fail<uint32_t>();
        return static_cast<uint32_t>(bytes_[at]) | static_cast<uint32_t>(bytes_[at + 1]) << 8 |
               static_cast<uint32_t>(bytes_[at + 2]) << 16 | static_cast<uint32_t>(bytes_[at + 3]) << 24;
    }
    uint64_t u64At(size_t at) {
        if (!fits(at, 8)) return fail<uint64_t>();
        return static_cast<uint64_t>(u32At(at)) | static_cast<uint64_t>(u32At(at + 4)) << 32;
    }
    double f64At(size_t at) {
        const uint64_t bits = u64At(at);
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }
    std::span<const uint8_t> spanAt(size_t at, size_t n) {
        if (!fits(at, n)) return fail<std::span<const uint8_t>>();
        return bytes_.subspan(at, n);
    }

    // Sequential reads from the current position.
    void seek(size_t at) {
        if (at > bytes_.size()) fail<int>();
        else pos_ = at;
    }
    void skip(size_t n) {
        if (!fits(pos_, n)) fail<int>();
        else pos_ += n;
    }
    uint8_t u8() { return advance(u8At(pos_), 1); }
    uint16_t u16() { return advance(u16At(pos_), 2); }
    uint32_t u32() { return advance(u32At(pos_), 4); }
    std::span<const uint8_t> span(size_t n) { return advance(spanAt(pos_, n), n); }

private:
    template <class T>
    T fail() {
        ok_ = false;
        return T{};
    }
    template <class T>
    T advance(T v, size_t n) {
        if (ok_) pos_ += n;
        return v;
    }

    std::span<const uint8_t> bytes_;
    size_t pos_ = 0;
    bool ok_ = true;
};

// Unchecked little-endian loads for hot paths whose bounds were proven first.
inline uint16_t LoadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t LoadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
inline double LoadF64(const uint8_t* p) {
    const uint64_t bits = LoadU32(p) | uint64_t{LoadU32(p + 4)} << 32;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}
inline void StoreU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void StoreU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace jet
