#pragma once

#include <cstdint>

namespace sarvel {

// Character formatting as the words reader tracks it; turned into a QTextCharFormat only when
// a run of text is written, so runs with equal state merge into one insertion.
struct RtfCharState {
    int font = -1;       // font table number; -1 means the document's default font
    int halfPoints = 24; // \fs
    int foreground = -1; // colour table index, -1 = the pane's own colour
    int background = -1;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    bool caps = false;
    bool smallCaps = false;
    std::int8_t script = 0; // -1 subscript, 1 superscript

    bool operator==(const RtfCharState&) const = default;
};

enum class RtfAlign : std::uint8_t { Left, Center, Right, Justify };

// Paragraph properties in twips; a paragraph takes the ones in force for its text.
struct RtfParaState {
    RtfAlign align = RtfAlign::Left;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;

    bool operator==(const RtfParaState&) const = default;
};

enum class RtfDestination : std::uint8_t {
    Text,       // visible words
    Skip,       // nothing visible: metadata, pictures, hidden destinations
    FontTable,  // \fonttbl: parsed, never shown
    ColorTable, // \colortbl: parsed, never shown
    StyleSheet, // \stylesheet: parsed, never shown
    Object,     // \object: hidden except its \result
};

// Everything a group saves on '{' and restores on '}'.
struct RtfGroupState {
    RtfCharState chr;
    RtfParaState para;
    RtfDestination dest = RtfDestination::Text;
    int unicodeSkip = 1; // \uc: fallback characters after each \u
};

} // namespace sarvel
