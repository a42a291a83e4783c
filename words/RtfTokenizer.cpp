#include "RtfTokenizer.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace sarvel {

namespace {

bool isLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

int hexValue(unsigned char c) {
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Bytes that end a text run: everything else, including raw bytes >= 0x80, is text.
bool isSpecial(unsigned char c) {
    return c == '\\' || c == '{' || c == '}' || c == '\r' || c == '\n' || c == '\t' || c == 0;
}

} // namespace

RtfTokenizer::Token RtfTokenizer::next() {
    while (pos_ < bytes_.size()) {
        const auto c = static_cast<unsigned char>(bytes_[pos_]);
        switch (c) {
        case '{':
            ++pos_;
            return Token{Kind::GroupOpen, {}};
        case '}':
            ++pos_;
            return Token{Kind::GroupClose, {}};
        case '\\':
            return controlWord();
        case '\r':
        case '\n':
        case 0:
            ++pos_; // line ends of the file itself carry no meaning; NULs are junk
            continue;
        case '\t':
            ++pos_;
            return {Kind::Word, "tab"};
        default:
            return textRun();
        }
    }
    return {};
}

RtfTokenizer::Token RtfTokenizer::textRun() {
    const std::size_t start = pos_;
    while (pos_ < bytes_.size() && !isSpecial(static_cast<unsigned char>(bytes_[pos_])))
        ++pos_;
    return {Kind::Text, bytes_.substr(start, pos_ - start)};
}

RtfTokenizer::Token RtfTokenizer::controlWord() {
    ++pos_; // the backslash
    if (pos_ >= bytes_.size())
        return {};
    const auto first = static_cast<unsigned char>(bytes_[pos_]);

    if (!isLetter(first)) {
        ++pos_;
        if (first == '\r' || first == '\n')
            return {Kind::Word, "par"}; // a backslash before a line end is a paragraph mark
        if (first == '\'' && pos_ + 1 < bytes_.size()) {
            const int hi = hexValue(static_cast<unsigned char>(bytes_[pos_]));
            const int lo = hexValue(static_cast<unsigned char>(bytes_[pos_ + 1]));
            if (hi >= 0 && lo >= 0) {
                pos_ += 2;
                Token t{Kind::Hex, {}};
                t.byte = static_cast<unsigned char>(hi * 16 + lo);
                return t;
            }
        }
        Token t{Kind::Symbol, {}};
        t.byte = first;
        return t;
    }

    const std::size_t start = pos_;
    while (pos_ < bytes_.size() && isLetter(static_cast<unsigned char>(bytes_[pos_])))
        ++pos_;
    Token t{Kind::Word, {}};
    if (pos_ - start <= maxWordLength)
        t.text = bytes_.substr(start, pos_ - start);

    bool negative = false;
    if (pos_ + 1 < bytes_.size() && bytes_[pos_] == '-' &&
        isDigit(static_cast<unsigned char>(bytes_[pos_ + 1]))) {
        negative = true;
        ++pos_;
    }
    if (pos_ < bytes_.size() && isDigit(static_cast<unsigned char>(bytes_[pos_]))) {
        // Saturate instead of overflowing: hostile files carry parameters of any length.
        constexpr std::int64_t limit = std::int64_t{std::numeric_limits<int>::max()} + 1;
        std::int64_t value = 0;
        while (pos_ < bytes_.size() && isDigit(static_cast<unsigned char>(bytes_[pos_]))) {
            value = std::min(limit, value * 10 + (bytes_[pos_] - '0'));
            ++pos_;
        }
        if (negative)
            value = -value;
        t.param = static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                            std::numeric_limits<int>::max()));
        t.hasParam = true;
    }
    if (pos_ < bytes_.size() && bytes_[pos_] == ' ')
        ++pos_; // the delimiter space belongs to the word

    if (t.text == "bin") {
        // Raw data: never tokens, even when it holds braces or backslashes.
        const std::size_t length = std::min<std::size_t>(std::max(t.param, 0), bytes_.size() - pos_);
        Token data{Kind::Binary, bytes_.substr(pos_, length)};
        pos_ += length;
        return data;
    }
    return t;
}

} // namespace sarvel
