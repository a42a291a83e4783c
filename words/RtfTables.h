#pragma once

#include "RtfCodePages.h"
#include "RtfKeywords.h"

#include <QColor>
#include <QString>

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace sarvel {

// The document-wide tables of an RTF file: code page, font table (family and code page of each
// font) and colour table. Filled from the \fonttbl and \colortbl groups, read by every text run.
class RtfTables {
public:
    explicit RtfTables(RtfCodePages& pages) : pages_(pages) {}

    void setAnsiPage(int codePage) { ansiPage_ = codePage; }
    void setDefaultFont(int font) { defaultFont_ = font; }

    void beginFontTable();
    void fontTableWord(RtfKeyword keyword, int param);
    void fontTableBytes(std::string_view data);
    void endFontTableGroup() { commitFont(); }

    void beginColorTable();
    void colorTableWord(RtfKeyword keyword, int param);
    void colorTableBytes(std::string_view data);

    // Font -1 is the default font (\deff). Unknown fonts use the document's code page.
    int codePageOf(int font) const;
    QString familyOf(int font) const;
    // nullopt for "auto", a missing entry or a bad index: the pane's own colour.
    std::optional<QColor> color(int index) const;

    // Changes whenever a table entry is added, so cached formats can tell they are stale.
    unsigned generation() const { return generation_; }

private:
    struct FontEntry {
        int charset = -1;
        int codePage = 0; // \cpg, when given
        QString family;
    };

    const FontEntry* fontEntry(int font) const;
    void commitFont();

    RtfCodePages& pages_;
    int ansiPage_ = 1252;
    int defaultFont_ = 0;
    std::unordered_map<int, FontEntry> fonts_;
    std::vector<std::optional<QColor>> colors_;
    unsigned generation_ = 0;

    // font table entry being read
    int entryFont_ = -1;
    FontEntry entry_;
    std::string entryName_;
    // colour table entry being read
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colorGiven_ = false;
};

} // namespace sarvel
