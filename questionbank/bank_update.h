// What an update of the bank decides without touching the network or the
// disk: whether a bank file is one the program can search, what each way of
// failing tells the player, and which of two copies start-up uses.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "questionbank/bank_manifest.h"

namespace questionbank {

// Why a file is not a bank the program can search.
enum class BankFault {
    None,
    NotABank,        // not a Jet database (or damaged past reading)
    OtherPassword,   // a Jet database with some other password
    NoTable,         // no table wd
    NoColumn,        // table wd lacks Question, Answer or PinYin
};

struct BankCheck {
    BankFault fault = BankFault::None;
    std::string column;     // the missing column, for NoColumn
    size_t questions = 0;   // rows of wd when fault is None
};

// Opens the bank's bytes as stored (scrambled with kBankKey) with the bank's
// password and checks table wd and its three columns.
BankCheck CheckBankFile(std::vector<uint8_t> scrambled);

// How an update ended. Every value but Updated and UpToDate left the bank as it was.
enum class UpdateEnd {
    Updated,
    UpToDate,
    NoConnection,       // refused, unknown host, no network
    ManifestStatus,     // the manifest's request answered with status >= 400
    ManifestUnreadable, // the manifest's body did not arrive whole
    ManifestMalformed,
    BankStatus,         // the bank's request answered with status >= 400
    Truncated,          // fewer bytes than the manifest's size
    Oversized,          // more bytes than the manifest's size
    WrongDigest,
    NotABank,           // the downloaded file failed CheckBankFile
    CannotWrite,        // disk full, folder not writable, file in use
    Cancelled,
};

struct UpdateOutcome {
    UpdateEnd end = UpdateEnd::Cancelled;
    long status = 0;          // HTTP status for the two *Status ends
    std::optional<ManifestError> manifestError;   // for ManifestMalformed
    uint64_t expected = 0;    // bytes the manifest announced, for Truncated and Oversized
    uint64_t received = 0;    // bytes that arrived, for Truncated
    BankCheck bank;           // for NotABank; questions of the new bank for Updated
};

// The box's text for an outcome, in Chinese, naming the reason.
std::string UpdateMessage(const UpdateOutcome& outcome);
inline constexpr std::string_view kUpdateCaption = "题库更新";

// True when the local bank's SHA-256 (lower-case hex) equals the manifest's.
bool BankIsCurrent(std::string_view localSha256, std::string_view manifestSha256);

// A bank file start-up may use: whether it exists and opens as a bank, and
// its last write time (any monotonic clock the caller uses for both).
struct BankCandidate {
    bool usable = false;
    int64_t writeTime = 0;
};

// Start-up uses the per-user copy only when it is usable and newer than the
// bank beside the program; otherwise the one beside the program.
enum class BankSource { BesideProgram, PerUser };
BankSource ChooseStartupBank(const BankCandidate& besideProgram, const BankCandidate& perUser);

}  // namespace questionbank
