#include "questionbank/bank_manifest.h"

#include <array>
#include <cstdio>
#include <optional>

#include "base/text.h"

namespace questionbank {

namespace {

constexpr std::array<std::string_view, 6> kRequiredKeys = {"format", "version", "size", "sha256", "questions", "url"};

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

bool AllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// A decimal count without sign, blanks or leading '+'; nullopt past `limit`.
std::optional<uint64_t> Count(std::string_view s, uint64_t limit) {
    if (!AllDigits(s) || s.size() > 19) return std::nullopt;
    uint64_t v = 0;
    for (char c : s) v = v * 10 + static_cast<uint64_t>(c - '0');
    if (v > limit) return std::nullopt;
    return v;
}

int Field(std::string_view s, size_t at, size_t n) {
    int v = 0;
    for (size_t i = at; i < at + n; ++i) v = v * 10 + (s[i] - '0');
    return v;
}

bool IsVersion(std::string_view v) {
    if (v.size() != 16 || v[8] != 'T' || v[15] != 'Z') return false;
    if (!AllDigits(v.substr(0, 8)) || !AllDigits(v.substr(9, 6))) return false;
    const int month = Field(v, 4, 2), day = Field(v, 6, 2);
    return month >= 1 && month <= 12 && day >= 1 && day <= 31 && Field(v, 9, 2) < 24 && Field(v, 11, 2) < 60 &&
           Field(v, 13, 2) < 61;
}

std::optional<std::string> Digest(std::string_view s) {
    if (s.size() != 64) return std::nullopt;
    std::string lower;
    for (char c : s) {
        if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return std::nullopt;
        lower += c;
    }
    return lower;
}

bool IsUrl(std::string_view u) {
    if (u.empty()) return false;
    for (unsigned char c : u) {
        if (c <= 0x20 || c == 0x7f) return false;
    }
    const size_t scheme = u.find("://");
    if (scheme == std::string_view::npos) return true;
    const std::string name = base::AsciiLower(u.substr(0, scheme));
    return (name == "http" || name == "https") && u.size() > scheme + 3;
}

}  // namespace

std::string ManifestError::Message() const {
    const std::string at = line > 0 ? "line " + std::to_string(line) + ": " : "";
    switch (kind) {
    case NotText: return "not a manifest (binary data or too long)";
    case NotKeyValue: return at + "not a key=value line";
    case Missing: return "required key '" + key + "' is missing";
    case Duplicate: return at + "key '" + key + "' appears twice";
    case Malformed: return at + "key '" + key + "' has a malformed value";
    case Unsupported: return at + "key '" + key + "' names a layout this program does not know";
    }
    return "malformed manifest";
}

base::Result<BankManifest, ManifestError> ParseManifest(std::string_view text) {
    if (text.size() > kLargestManifest || text.find('\0') != std::string_view::npos) {
        return ManifestError{ManifestError::NotText, {}, 0};
    }
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::array<std::optional<std::string_view>, kRequiredKeys.size()> values;
    std::array<int, kRequiredKeys.size()> lines{};
    int lineNo = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNo;
        if (line.empty()) continue;
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos || Trim(line.substr(0, eq)).empty()) {
            return ManifestError{ManifestError::NotKeyValue, {}, lineNo};
        }
        const std::string_view key = Trim(line.substr(0, eq));
        for (size_t k = 0; k < kRequiredKeys.size(); ++k) {
            if (key != kRequiredKeys[k]) continue;
            if (values[k]) return ManifestError{ManifestError::Duplicate, std::string(key), lineNo};
            values[k] = Trim(line.substr(eq + 1));
            lines[k] = lineNo;
        }
    }
    for (size_t k = 0; k < kRequiredKeys.size(); ++k) {
        if (!values[k]) return ManifestError{ManifestError::Missing, std::string(kRequiredKeys[k]), 0};
    }
    const auto malformed = [&](size_t k) {
        return ManifestError{ManifestError::Malformed, std::string(kRequiredKeys[k]), lines[k]};
    };
    BankManifest m;
    if (!AllDigits(*values[0])) return malformed(0);
    if (*values[0] != "1") return ManifestError{ManifestError::Unsupported, "format", lines[0]};
    if (!IsVersion(*values[1])) return malformed(1);
    m.version = *values[1];
    const auto size = Count(*values[2], kLargestPublishedBank);
    if (!size || *size == 0) return malformed(2);
    m.size = *size;
    const auto digest = Digest(*values[3]);
    if (!digest) return malformed(3);
    m.sha256 = *digest;
    const auto questions = Count(*values[4], 0xFFFFFFFFull);
    if (!questions) return malformed(4);
    m.questions = *questions;
    if (!IsUrl(*values[5])) return malformed(5);
    m.url = *values[5];
    return m;
}

std::string WriteManifest(const BankManifest& m) {
    std::string s;
    s += "format=" + std::to_string(m.format) + "\n";
    s += "version=" + m.version + "\n";
    s += "size=" + std::to_string(m.size) + "\n";
    s += "sha256=" + m.sha256 + "\n";
    s += "questions=" + std::to_string(m.questions) + "\n";
    s += "url=" + m.url + "\n";
    return s;
}

std::string ManifestVersion(int64_t unixSeconds) {
    // Civil date from days since 1970-01-01 (proleptic Gregorian), so no
    // time-zone or thread-safety caveat of gmtime applies.
    int64_t days = unixSeconds / 86400, secs = unixSeconds % 86400;
    if (secs < 0) { secs += 86400; --days; }
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t doe = days - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    char buf[96];   // room for any int64 in every field, though a real date needs 17
    std::snprintf(buf, sizeof buf, "%04lld%02lld%02lldT%02lld%02lld%02lldZ", static_cast<long long>(year),
                  static_cast<long long>(month), static_cast<long long>(day), static_cast<long long>(secs / 3600),
                  static_cast<long long>(secs / 60 % 60), static_cast<long long>(secs % 60));
    return buf;
}

std::string ResolveBankUrl(std::string_view manifestUrl, std::string_view url) {
    if (url.find("://") != std::string_view::npos) return std::string(url);
    std::string_view base = manifestUrl.substr(0, manifestUrl.find_first_of("?#"));
    const size_t scheme = base.find("://");
    const size_t hostStart = scheme == std::string_view::npos ? 0 : scheme + 3;
    const size_t pathStart = base.find('/', hostStart);
    if (url.starts_with("/")) {
        return std::string(base.substr(0, pathStart)) + std::string(url);
    }
    if (pathStart == std::string_view::npos) return std::string(base) + "/" + std::string(url);
    return std::string(base.substr(0, base.rfind('/') + 1)) + std::string(url);
}

}  // namespace questionbank
