// Text comparison for queries: Jet compares text without regard to letter
// case (and to the width of full-width Latin letters and digits), so every
// comparison runs on case-folded UTF-8. Also the LIKE patterns of the OLE DB
// mode: '%' is any run of characters, '_' exactly one character.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

// Appends `utf8` folded for comparison: ASCII, Latin-1, Latin Extended-A,
// Greek and Cyrillic capitals become small letters; full-width ASCII forms
// (U+FF01..U+FF5E) become their ASCII counterparts. Every other byte,
// including ill-formed UTF-8, is copied unchanged, so folding keeps the
// number of characters and Chinese text is untouched.
void AppendFolded(std::string& out, std::string_view utf8);
std::string Folded(std::string_view utf8);

// Length in bytes of the character starting at s[i]: a well-formed UTF-8
// sequence, or a single byte when the sequence is ill-formed.
size_t CharLength(std::string_view s, size_t i);

// A LIKE pattern, split at its '%' wildcards. Literal text is kept folded;
// '_' stays a wildcard inside a piece.
class LikePattern {
public:
    explicit LikePattern(std::string_view pattern);

    // `text` must already be folded.
    bool Matches(std::string_view text) const;

    // The pattern is '%literal%' with no '_' in the literal: a plain
    // substring test, which the caller may run over many cells at once.
    bool IsContains() const { return shape_ == Shape::Contains; }
    const std::string& ContainedLiteral() const { return literal_; }

private:
    // One character of the pattern: a folded literal character, or a wildcard.
    struct Token {
        enum Kind : unsigned char { Char, AnyChar, AnyRun } kind;
        std::string bytes;   // Char only: the folded character
    };
    enum class Shape { Exact, Contains, Prefix, General };

    std::vector<Token> tokens_;
    std::string literal_;   // Exact, Contains, Prefix: the folded literal
    Shape shape_ = Shape::General;
};

}  // namespace jet
