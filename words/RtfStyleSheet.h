#pragma once

#include "RtfKeywords.h"
#include "RtfState.h"

#include <string_view>
#include <unordered_map>
#include <vector>

namespace sarvel {

// One formatting control word as written: keyword and parameter.
struct RtfFormattingWord {
    RtfKeyword keyword = RtfKeyword::Unknown;
    int param = 0;
    bool hasParam = false;
};

// Applies a character or paragraph formatting word; false if the keyword is not one.
bool applyRtfFormatting(const RtfFormattingWord& w, RtfCharState& chr, RtfParaState& para);

// The \stylesheet: paragraph styles (\sN) and character styles (\csN), each a list of formatting
// words on top of its \sbasedon style. Kept as words rather than states so a character style only
// changes what it names.
class RtfStyleSheet {
public:
    void begin();
    void word(const RtfFormattingWord& w);
    void bytes(std::string_view data); // ';' ends an entry
    void endGroup() { commit(); }      // so does its group

    // Applies a style's formatting in place of \sN or \csN, so what the text sets before or after
    // it (producers write \pard\plain\sN or \qc\sN, then their own overrides) still counts in
    // order. A character style leaves the paragraph alone. Unknown styles change nothing.
    void applyParagraphStyle(int style, RtfCharState& chr, RtfParaState& para);
    void applyCharacterStyle(int style, RtfCharState& chr);

private:
    struct Entry {
        bool character = false;
        bool ignored = false; // section and table styles
        int number = 0;       // an entry without \s is style 0
        int basedOn = -1;
        std::vector<RtfFormattingWord> words;
    };
    using Styles = std::unordered_map<int, Entry>;

    void commit();
    const std::vector<RtfFormattingWord>& resolved(bool character, int style);

    Styles paragraphStyles_;
    Styles characterStyles_;
    // Words of a style with its bases before it, only the last of each keyword kept.
    std::unordered_map<int, std::vector<RtfFormattingWord>> resolvedParagraph_;
    std::unordered_map<int, std::vector<RtfFormattingWord>> resolvedCharacter_;
    Entry entry_;
    bool entryOpen_ = false;
};

} // namespace sarvel
