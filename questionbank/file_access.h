// Whole-file reading and writing for the bank and its copy. Paths are UTF-8
// in our code; std::filesystem::path turns them into the system's own form
// (wide characters on Windows), so folders with Chinese names work.
#pragma once
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace questionbank {

std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

// The whole file, or nullopt when it cannot be opened or read; then `reason`
// (when given) receives the system's words for why.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::filesystem::path& path, std::string* reason = nullptr);

// Writes `bytes` to a sibling temporary file and renames it over `path`, so
// an existing file is replaced only by a complete new one. Returns an empty
// string on success, else what went wrong, with the system's reason.
std::string WriteFileReplacing(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
// The same for bytes made piece by piece: `produce` hands them to the sink
// it is given and returns false when it could not make them all (the sink
// returns false once a write failed).
using ByteSink = std::function<bool(const void* data, size_t size)>;
std::string WriteFileReplacing(const std::filesystem::path& path, const std::function<bool(const ByteSink&)>& produce);

// A file read from the start in pieces of the caller's choosing, for files
// read straight into the structures that hold them.
class FileReader {
public:
    explicit FileReader(const std::filesystem::path& path);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    bool IsOpen() const { return file_ != nullptr; }
    uint64_t Size() const { return size_; }
    // Fills exactly `size` bytes with the next ones of the file, or returns false.
    bool Read(void* data, size_t size);

private:
    std::FILE* file_ = nullptr;
    uint64_t size_ = 0;
};

// What identifies one version of a file cheaply: its size, its last write
// time and a hash of a few of its pages (the first, the last and some spread
// between), so a file rewritten with the same size within the timestamp's
// granularity is still told apart unless the sampled pages are all equal.
struct FileFingerprint {
    uint64_t size = 0;
    int64_t writeTime = 0;
    uint64_t sampleHash = 0;
    bool operator==(const FileFingerprint&) const = default;
};

// Reads only the sampled pages; nullopt when the file cannot be read.
std::optional<FileFingerprint> FingerprintFile(const std::filesystem::path& path);
// The same fingerprint from bytes already in memory (writeTime as given).
FileFingerprint FingerprintBytes(const std::vector<uint8_t>& bytes, int64_t writeTime);
// The file's last write time in the clock's own ticks, or nullopt.
std::optional<int64_t> FileWriteTime(const std::filesystem::path& path);

}  // namespace questionbank
