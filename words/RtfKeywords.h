#pragma once

#include <cstdint>
#include <string_view>

namespace sarvel {

// What the words reader does with a control word; anything not listed is ignored.
enum class RtfKeyword : std::uint8_t {
    Unknown,
    // document and font set-up
    Ansi,
    Mac,
    Pc,
    Pca,
    AnsiCodePage,
    DefaultFont,
    FontTable,
    ColorTable,
    StyleSheet,
    ParagraphStyle, // \s: in the style sheet it numbers an entry, in the text it applies one
    CharacterStyle, // \cs
    OtherStyle,     // \ds, \ts: section and table styles, not applied
    StyleBasedOn,
    Font,
    FontCharset,
    FontCodePage,
    Red,
    Green,
    Blue,
    // destinations
    Skip,   // a group with nothing to show
    Object, // hidden except its result
    Result,
    // text
    UnicodeSkip,
    Unicode,
    Paragraph, // \par and everything that ends a paragraph the same way
    Character, // a fixed character: quotes, dashes, spaces, \line, \tab
    // character formatting
    Plain,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    Hidden,
    Caps,
    SmallCaps,
    Super,
    Sub,
    NoSuperSub,
    FontSize,
    Foreground,
    Background,
    Highlight, // like Background, but 0 means none
    // paragraph formatting: these come last, the reader tells them apart by order
    ParagraphDefault,
    AlignLeft,
    AlignCenter,
    AlignRight,
    AlignJustify,
    LeftIndent,
    RightIndent,
    FirstIndent,
    SpaceBefore,
    SpaceAfter,
};

struct RtfKeywordInfo {
    RtfKeyword keyword = RtfKeyword::Unknown;
    char16_t character = 0; // for RtfKeyword::Character
};

RtfKeywordInfo lookupRtfKeyword(std::string_view word);

} // namespace sarvel
