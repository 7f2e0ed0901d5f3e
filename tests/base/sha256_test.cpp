#include "base/sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Published test vectors, and the same messages fed in uneven pieces so that
// every way a block boundary can fall between two updates is crossed.
TEST(Sha256, MatchesTheStandardVectorsWholeAndInPieces) {
    struct Vector {
        std::string message;
        const char* digest;
    };
    const Vector vectors[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
        {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
    };
    for (const Vector& v : vectors) {
        EXPECT_EQ(base::Sha256Hex(v.message.data(), v.message.size()), v.digest) << v.message.size();
        for (size_t piece : {1u, 3u, 63u, 64u, 65u, 1000u}) {
            base::Sha256 h;
            for (size_t at = 0; at < v.message.size(); at += piece) {
                h.Update(std::string_view(v.message).substr(at, piece));
            }
            EXPECT_EQ(base::HexDigest(h.Finish()), v.digest) << v.message.size() << " in pieces of " << piece;
        }
    }
}

}  // namespace
