// Server-supplied headers, caller-supplied addresses and paths, and body
// bytes in every code page the decoder knows: none may read out of bounds,
// and the chunk carry must hand back exactly the bytes it was fed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/charset.h"
#include "net/folder.h"
#include "net/headers.h"
#include "net/url.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    net::HeaderQuery(input, "content-length");
    net::HeaderQuery(input, "Server");
    net::ReportedSize(net::HeaderQuery(input, "Content-Length"));
    net::CookieField(input);
    net::ParseURL(input);
    const std::string path = net::NormalisePath(input);
    net::PlanFolders(path);

    static constexpr unsigned kCodePages[] = {65001, 936, 950, 932, 949, 51932, 54936, 1200, 1201, 28591};
    const size_t cut = size ? data[0] % (size + 1) : 0;
    for (unsigned codePage : kCodePages) {
        net::ChunkCarry carry(codePage);
        std::string out = carry.Feed(input.substr(0, cut));
        out += carry.Feed(input.substr(cut));
        out += carry.Finish();
        if (out != input) std::abort();
    }
    return 0;
}
