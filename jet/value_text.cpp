#include "jet/value_text.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "jet/cursor.h"
#include "jet/format.h"

namespace jet {

namespace {

template <class T>
void AppendNumber(T v, std::string& out) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void AppendPadded(uint32_t v, int width, std::string& out) {
    char buf[16];
    int n = 0;
    do {
        buf[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v && n < 15);
    while (n < width) buf[n++] = '0';
    while (n) out.push_back(buf[--n]);
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2) ++y;
}

// 1899-12-30 counted from 1970-01-01.
constexpr int64_t kEpochFromUnixDays = -25569;
// Beyond about the year 9999 (either way) a date has no sensible text.
constexpr double kMaxDateDays = 3000000.0;

}  // namespace

namespace {

struct DateParts {
    int64_t year;
    unsigned month, day;
    uint32_t hour, minute, second;
};

// Days since 1899-12-30 as a civil date and time. The integer part counts days
// (toward zero); the fraction is the time of day as a positive amount, also
// for dates before 1899-12-30.
DateParts SplitDate(double days) {
    auto day = static_cast<int64_t>(days);
    auto seconds = static_cast<int64_t>(std::llround(std::fabs(days - static_cast<double>(day)) * 86400.0));
    if (seconds >= 86400) {
        seconds -= 86400;
        ++day;
    }
    DateParts p;
    CivilFromDays(day + kEpochFromUnixDays, p.year, p.month, p.day);
    p.hour = static_cast<uint32_t>(seconds / 3600);
    p.minute = static_cast<uint32_t>(seconds / 60 % 60);
    p.second = static_cast<uint32_t>(seconds % 60);
    return p;
}

void AppendClock(const DateParts& p, std::string& out) {
    out.push_back(' ');
    AppendPadded(p.hour, 2, out);
    out.push_back(':');
    AppendPadded(p.minute, 2, out);
    out.push_back(':');
    AppendPadded(p.second, 2, out);
}

}  // namespace

void AppendDateText(double days, std::string& out) {
    if (!(std::fabs(days) < kMaxDateDays)) {
        AppendNumber(days, out);
        return;
    }
    const DateParts p = SplitDate(days);
    AppendPadded(p.month, 2, out);
    out.push_back('/');
    AppendPadded(p.day, 2, out);
    out.push_back('/');
    AppendPadded(static_cast<uint32_t>(((p.year % 100) + 100) % 100), 2, out);
    AppendClock(p, out);
}

void AppendIsoDateText(double days, std::string& out) {
    if (!(std::fabs(days) < kMaxDateDays)) {
        AppendNumber(days, out);
        return;
    }
    const DateParts p = SplitDate(days);
    if (p.year < 0) out.push_back('-');
    AppendPadded(static_cast<uint32_t>(p.year < 0 ? -p.year : p.year), 4, out);
    out.push_back('-');
    AppendPadded(p.month, 2, out);
    out.push_back('-');
    AppendPadded(p.day, 2, out);
    AppendClock(p, out);
}

void AppendCurrencyText(int64_t v, std::string& out) {
    uint64_t mag = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    if (v < 0) out.push_back('-');
    AppendNumber(mag / 10000, out);
    out.push_back('.');
    AppendPadded(static_cast<uint32_t>(mag % 10000), 4, out);
}

void AppendNumericText(std::span<const uint8_t> b, uint8_t scale, std::string& out) {
    if (b.size() < 17) return;
    // Sign byte, then four u32 words, most significant first.
    uint32_t w[4];
    for (int i = 0; i < 4; ++i) w[i] = LoadU32(b.data() + 1 + 4 * i);
    char digits[48];
    int n = 0;
    while ((w[0] | w[1] | w[2] | w[3]) != 0 && n < 48) {
        uint64_t rem = 0;
        for (uint32_t& word : w) {
            const uint64_t cur = rem << 32 | word;
            word = static_cast<uint32_t>(cur / 10);
            rem = cur % 10;
        }
        digits[n++] = static_cast<char>('0' + rem);
    }
    const bool zero = n == 0;
    if (scale > 38) scale = 38;
    while (n <= scale) digits[n++] = '0';
    if ((b[0] & 0x80) && !zero) out.push_back('-');
    while (n > 0) {
        if (n == scale) out.push_back('.');
        out.push_back(digits[--n]);
    }
}

void AppendGuidText(std::span<const uint8_t> g, std::string& out) {
    if (g.size() < 16) return;
    static constexpr char kHex[] = "0123456789ABCDEF";
    auto hex = [&out](uint8_t v) {
        out.push_back(kHex[v >> 4]);
        out.push_back(kHex[v & 15]);
    };
    // u32, u16, u16 little-endian, then 8 bytes as stored.
    static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    out.push_back('{');
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) out.push_back('-');
        hex(g[static_cast<size_t>(kOrder[i])]);
    }
    out.push_back('}');
}

void AppendFixedText(const ColumnDef& col, std::span<const uint8_t> bytes, std::string& out) {
    const uint8_t* p = bytes.data();
    if (bytes.size() < format::FixedSize(col.type)) return;
    switch (static_cast<ColumnType>(col.type)) {
    case ColumnType::Byte: AppendNumber(static_cast<unsigned>(p[0]), out); return;
    case ColumnType::Integer: AppendNumber(static_cast<int16_t>(LoadU16(p)), out); return;
    case ColumnType::Long: AppendNumber(static_cast<int32_t>(LoadU32(p)), out); return;
    case ColumnType::Currency:
        AppendCurrencyText(static_cast<int64_t>(LoadU32(p) | uint64_t{LoadU32(p + 4)} << 32), out);
        return;
    case ColumnType::Single: {
        float f;
        std::memcpy(&f, p, 4);
        AppendNumber(f, out);
        return;
    }
    case ColumnType::Double: {
        double d;
        std::memcpy(&d, p, 8);
        AppendNumber(d, out);
        return;
    }
    case ColumnType::DateTime: {
        double d;
        std::memcpy(&d, p, 8);
        AppendDateText(d, out);
        return;
    }
    case ColumnType::Guid: AppendGuidText(bytes, out); return;
    case ColumnType::Numeric: AppendNumericText(bytes, col.scale, out); return;
    default: out.append(reinterpret_cast<const char*>(p), bytes.size()); return;
    }
}

}  // namespace jet
