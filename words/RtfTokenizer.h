#pragma once

#include <cstddef>
#include <string_view>

namespace sarvel {

// Splits RTF bytes into groups, control words, control symbols, \'hh bytes, text runs and \bin
// data. Never reads past the end and never fails: damaged input just yields odd tokens.
class RtfTokenizer {
public:
    enum class Kind { End, GroupOpen, GroupClose, Word, Symbol, Hex, Text, Binary };

    struct Token {
        Kind kind = Kind::End;
        std::string_view text; // Word: its letters (empty if over-long); Text/Binary: the bytes
        int param = 0;
        bool hasParam = false;
        unsigned char byte = 0; // Symbol: the character; Hex: the decoded byte
    };

    explicit RtfTokenizer(std::string_view bytes) : bytes_(bytes) {}

    Token next();
    std::size_t position() const { return pos_; }

    static constexpr std::size_t maxWordLength = 32;

private:
    Token controlWord();
    Token textRun();

    std::string_view bytes_;
    std::size_t pos_ = 0;
};

} // namespace sarvel
