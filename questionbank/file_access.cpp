#include "questionbank/file_access.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <limits>
#include <system_error>

namespace questionbank {

namespace {

constexpr uint64_t kSamplePage = 4096;   // Jet 4 page size
constexpr uint64_t kSamplePages = 8;     // first, last and six spread between

// Offsets of the sampled pages of a file of `size` bytes, in increasing order.
std::vector<uint64_t> SampleOffsets(uint64_t size) {
    std::vector<uint64_t> at;
    const uint64_t pages = (size + kSamplePage - 1) / kSamplePage;
    if (pages == 0) return at;
    for (uint64_t k = 0; k < kSamplePages; ++k) {
        const uint64_t page = pages <= kSamplePages ? k : k * (pages - 1) / (kSamplePages - 1);
        if (page >= pages) break;
        if (!at.empty() && at.back() == page * kSamplePage) continue;
        at.push_back(page * kSamplePage);
    }
    return at;
}

// Mixes 8 bytes at a time; enough to tell versions of a file apart.
uint64_t Mix(uint64_t h, const uint8_t* p, size_t n) {
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        h = (h ^ w) * 0x9E3779B97F4A7C15ull;
        h ^= h >> 31;
    }
    for (; i < n; ++i) h = (h ^ p[i]) * 0x100000001B3ull;
    return h ^ n;
}

}  // namespace

std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string s = path.u8string();
    return std::string(reinterpret_cast<const char*>(s.data()), s.size());
}

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using OwnedFile = std::unique_ptr<std::FILE, FileCloser>;

// Opens through the C library so that a failure leaves its reason in errno
// (on Windows through the wide call, for paths outside the code page).
OwnedFile OpenFile(const std::filesystem::path& path, bool forWriting) {
    errno = 0;
#ifdef _WIN32
    return OwnedFile(_wfopen(path.c_str(), forWriting ? L"wb" : L"rb"));
#else
    return OwnedFile(std::fopen(path.c_str(), forWriting ? "wb" : "rb"));
#endif
}

// The system's words for the latest failure of the C library.
std::string LastErrorText() {
    const int code = errno;
    return code ? std::generic_category().message(code) : std::string("unknown error");
}

void SetReason(std::string* reason, std::string text) {
    if (reason) *reason = std::move(text);
}

}  // namespace

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::filesystem::path& path, std::string* reason) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        SetReason(reason, std::make_error_code(std::errc::is_a_directory).message());
        return std::nullopt;
    }
    OwnedFile file = OpenFile(path, false);
    if (!file) {
        SetReason(reason, LastErrorText());
        return std::nullopt;
    }
    const uint64_t size = std::filesystem::file_size(path, ec);
    if (ec) {
        SetReason(reason, ec.message());
        return std::nullopt;
    }
    if (size > std::numeric_limits<size_t>::max() / 2) {
        SetReason(reason, std::make_error_code(std::errc::file_too_large).message());
        return std::nullopt;
    }
    // Exactly the file's size: nothing lies past the last byte that a reader
    // could run into unnoticed.
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (!bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        SetReason(reason, std::ferror(file.get()) ? LastErrorText() : std::string("the file became shorter while it was read"));
        return std::nullopt;
    }
    return bytes;
}

std::string WriteFileReplacing(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    return WriteFileReplacing(path, [&](const ByteSink& write) { return write(bytes.data(), bytes.size()); });
}

std::string WriteFileReplacing(const std::filesystem::path& path, const std::function<bool(const ByteSink&)>& produce) {
    std::filesystem::path temp = path;
    temp += ".part";
    {
        OwnedFile out = OpenFile(temp, true);
        if (!out) return "cannot create " + Utf8FromPath(temp) + ": " + LastErrorText();
        errno = 0;
        const bool written = produce([&](const void* data, size_t size) {
                                 return size == 0 || std::fwrite(data, 1, size, out.get()) == size;
                             }) &&
                             std::fflush(out.get()) == 0;
        std::string why = written ? std::string() : LastErrorText();
        errno = 0;
        if (std::fclose(out.release()) != 0 && why.empty()) why = LastErrorText();
        if (!why.empty()) {
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
            return "cannot write " + Utf8FromPath(temp) + ": " + why;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        return "cannot replace the file: " + ec.message();
    }
    return {};
}

FileReader::FileReader(const std::filesystem::path& path) {
    std::error_code ec;
    const uint64_t size = std::filesystem::file_size(path, ec);
    if (ec) return;
    file_ = OpenFile(path, false).release();
    size_ = size;
}

FileReader::~FileReader() {
    if (file_) std::fclose(file_);
}

bool FileReader::Read(void* data, size_t size) {
    return file_ && (size == 0 || std::fread(data, 1, size, file_) == size);
}

std::optional<int64_t> FileWriteTime(const std::filesystem::path& path) {
    std::error_code ec;
    const auto t = std::filesystem::last_write_time(path, ec);
    if (ec) return std::nullopt;
    return static_cast<int64_t>(t.time_since_epoch().count());
}

FileFingerprint FingerprintBytes(const std::vector<uint8_t>& bytes, int64_t writeTime) {
    FileFingerprint f;
    f.size = bytes.size();
    f.writeTime = writeTime;
    uint64_t h = 0xCBF29CE484222325ull;
    for (uint64_t at : SampleOffsets(bytes.size())) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(kSamplePage, bytes.size() - at));
        h = Mix(h, bytes.data() + at, n);
    }
    f.sampleHash = h;
    return f;
}

std::optional<FileFingerprint> FingerprintFile(const std::filesystem::path& path) {
    const auto writeTime = FileWriteTime(path);
    if (!writeTime) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) return std::nullopt;
    FileFingerprint f;
    f.size = static_cast<uint64_t>(size);
    f.writeTime = *writeTime;
    uint64_t h = 0xCBF29CE484222325ull;
    uint8_t page[kSamplePage];
    for (uint64_t at : SampleOffsets(f.size)) {
        const auto n = static_cast<std::streamsize>(std::min<uint64_t>(kSamplePage, f.size - at));
        in.seekg(static_cast<std::streamoff>(at));
        if (!in.read(reinterpret_cast<char*>(page), n)) return std::nullopt;
        h = Mix(h, page, static_cast<size_t>(n));
    }
    f.sampleHash = h;
    return f;
}

}  // namespace questionbank
