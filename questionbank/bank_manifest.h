// The manifest published beside a bank: UTF-8 lines of key=value that tell the
// program which bank is current and how to check it.
//
//   format=1                     this layout; any other number is refused
//   version=20261207T161500Z     UTC time of publishing, YYYYMMDDThhmmssZ
//   size=123904                  bytes of the bank file as published
//   sha256=9f86d0...             SHA-256 of those bytes, 64 hex digits
//   questions=2500               rows of table wd
//   url=wd.dat                   the bank's address, relative to the manifest's
//
// Lines end in LF or CRLF; blank lines are skipped, blanks around keys and
// values are dropped. Keys this layout does not know are ignored, so later
// publishers can add some. A required key that is missing, given twice or
// malformed is an error naming that key.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "base/result.h"

namespace questionbank {

inline constexpr std::string_view kManifestFileName = "wd.manifest";
inline constexpr std::string_view kPublishedBankName = "wd.dat";

// The largest bank a manifest may announce; the program holds a bank in memory
// while it checks it.
inline constexpr uint64_t kLargestPublishedBank = 1ull << 30;
// A manifest is a few hundred bytes; anything past this is not one.
inline constexpr size_t kLargestManifest = 64 * 1024;

struct BankManifest {
    int format = 1;
    std::string version;     // YYYYMMDDThhmmssZ
    uint64_t size = 0;
    std::string sha256;      // lower-case hex
    uint64_t questions = 0;
    std::string url;         // as written: absolute, or relative to the manifest
};

struct ManifestError {
    enum Kind { NotText, NotKeyValue, Missing, Duplicate, Malformed, Unsupported };
    Kind kind;
    std::string key;   // the offending key; empty for NotText
    int line = 0;      // 1-based line, when the fault is on one
    std::string Message() const;   // in English, for the tool
};

base::Result<BankManifest, ManifestError> ParseManifest(std::string_view text);

// The manifest's text, one key per line in the order above, each line ending in LF.
std::string WriteManifest(const BankManifest& m);

// "YYYYMMDDThhmmssZ" for seconds since 1970-01-01 UTC.
std::string ManifestVersion(int64_t unixSeconds);

// The bank's absolute address: `url` when it has a scheme, the manifest's host
// with `url` as the path when it starts with "/", else `url` in place of the
// last path segment of the manifest's address (its query dropped).
std::string ResolveBankUrl(std::string_view manifestUrl, std::string_view url);

}  // namespace questionbank
