#include "RtfStyleSheet.h"

#include <algorithm>
#include <bitset>

namespace sarvel {

namespace {

constexpr int maxTwips = 31680; // 22 inches, the largest page RTF allows
constexpr std::size_t maxStyles = 4096;
constexpr std::size_t maxWordsPerStyle = 64;
constexpr int maxBasedOnDepth = 32;

bool toggleOn(const RtfFormattingWord& w) {
    return !w.hasParam || w.param != 0;
}

} // namespace

bool applyRtfFormatting(const RtfFormattingWord& w, RtfCharState& c, RtfParaState& p) {
    const int twips = std::clamp(w.param, -maxTwips, maxTwips);
    switch (w.keyword) {
    case RtfKeyword::Font:
        c.font = w.param;
        break;
    case RtfKeyword::Plain:
        c = RtfCharState{};
        break;
    case RtfKeyword::Bold:
        c.bold = toggleOn(w);
        break;
    case RtfKeyword::Italic:
        c.italic = toggleOn(w);
        break;
    case RtfKeyword::Underline:
        c.underline = toggleOn(w);
        break;
    case RtfKeyword::UnderlineNone:
        c.underline = false;
        break;
    case RtfKeyword::Strike:
        c.strike = toggleOn(w);
        break;
    case RtfKeyword::Hidden:
        c.hidden = toggleOn(w);
        break;
    case RtfKeyword::Caps:
        c.caps = toggleOn(w);
        break;
    case RtfKeyword::SmallCaps:
        c.smallCaps = toggleOn(w);
        break;
    case RtfKeyword::Super:
        c.script = toggleOn(w) ? 1 : 0;
        break;
    case RtfKeyword::Sub:
        c.script = toggleOn(w) ? -1 : 0;
        break;
    case RtfKeyword::NoSuperSub:
        c.script = 0;
        break;
    case RtfKeyword::FontSize:
        c.halfPoints = w.param > 0 ? std::min(w.param, 3276) : 24;
        break;
    case RtfKeyword::Foreground:
        c.foreground = w.param;
        break;
    case RtfKeyword::Background:
        c.background = w.param;
        break;
    case RtfKeyword::Highlight:
        c.background = w.param > 0 ? w.param : -1;
        break;
    case RtfKeyword::ParagraphDefault:
        p = RtfParaState{};
        break;
    case RtfKeyword::AlignLeft:
        p.align = RtfAlign::Left;
        break;
    case RtfKeyword::AlignCenter:
        p.align = RtfAlign::Center;
        break;
    case RtfKeyword::AlignRight:
        p.align = RtfAlign::Right;
        break;
    case RtfKeyword::AlignJustify:
        p.align = RtfAlign::Justify;
        break;
    case RtfKeyword::LeftIndent:
        p.leftIndent = twips;
        break;
    case RtfKeyword::RightIndent:
        p.rightIndent = twips;
        break;
    case RtfKeyword::FirstIndent:
        p.firstIndent = twips;
        break;
    case RtfKeyword::SpaceBefore:
        p.spaceBefore = std::max(twips, 0);
        break;
    case RtfKeyword::SpaceAfter:
        p.spaceAfter = std::max(twips, 0);
        break;
    default:
        return false;
    }
    return true;
}

void RtfStyleSheet::begin() {
    paragraphStyles_.clear();
    characterStyles_.clear();
    resolvedParagraph_.clear();
    resolvedCharacter_.clear();
    entry_ = Entry{};
    entryOpen_ = false;
}

void RtfStyleSheet::word(const RtfFormattingWord& w) {
    entryOpen_ = true;
    switch (w.keyword) {
    case RtfKeyword::ParagraphStyle:
        entry_.number = w.param;
        break;
    case RtfKeyword::CharacterStyle:
        entry_.character = true;
        entry_.number = w.param;
        break;
    case RtfKeyword::OtherStyle:
        entry_.ignored = true;
        break;
    case RtfKeyword::StyleBasedOn:
        entry_.basedOn = w.param;
        break;
    default: {
        RtfCharState c;
        RtfParaState p;
        if (entry_.words.size() < maxWordsPerStyle && applyRtfFormatting(w, c, p))
            entry_.words.push_back(w);
        break;
    }
    }
}

void RtfStyleSheet::bytes(std::string_view data) {
    for (const char ch : data) {
        if (ch == ';')
            commit();
        else if (ch != ' ')
            entryOpen_ = true;
    }
}

void RtfStyleSheet::commit() {
    if (entryOpen_ && !entry_.ignored) {
        Styles& styles = entry_.character ? characterStyles_ : paragraphStyles_;
        if (styles.size() < maxStyles || styles.count(entry_.number) > 0) {
            const int number = entry_.number;
            styles[number] = std::move(entry_);
            resolvedParagraph_.clear();
            resolvedCharacter_.clear();
        }
    }
    entry_ = Entry{};
    entryOpen_ = false;
}

const std::vector<RtfFormattingWord>& RtfStyleSheet::resolved(bool character, int style) {
    static const std::vector<RtfFormattingWord> none;
    Styles& styles = character ? characterStyles_ : paragraphStyles_;
    auto& cache = character ? resolvedCharacter_ : resolvedParagraph_;
    if (const auto it = cache.find(style); it != cache.end())
        return it->second;
    if (styles.count(style) == 0)
        return none;

    // The chain of bases, the style itself first; a loop or a missing base ends it.
    std::vector<const Entry*> chain;
    for (int n = style; chain.size() < maxBasedOnDepth;) {
        const auto it = styles.find(n);
        if (it == styles.end())
            break;
        const Entry* e = &it->second;
        if (std::find(chain.begin(), chain.end(), e) != chain.end())
            break;
        chain.push_back(e);
        n = e->basedOn;
    }
    // Every formatting word sets its fields outright, so only the last of each keyword counts.
    std::vector<RtfFormattingWord> words;
    std::bitset<256> seen;
    for (const Entry* e : chain) {
        for (auto w = e->words.rbegin(); w != e->words.rend(); ++w) {
            const auto k = static_cast<std::size_t>(w->keyword);
            if (!seen[k]) {
                seen[k] = true;
                words.push_back(*w);
            }
        }
    }
    std::reverse(words.begin(), words.end());
    return cache[style] = std::move(words);
}

void RtfStyleSheet::applyParagraphStyle(int style, RtfCharState& chr, RtfParaState& para) {
    for (const RtfFormattingWord& w : resolved(false, style))
        applyRtfFormatting(w, chr, para);
}

void RtfStyleSheet::applyCharacterStyle(int style, RtfCharState& chr) {
    RtfParaState unused; // a character style has no say over the paragraph
    for (const RtfFormattingWord& w : resolved(true, style))
        applyRtfFormatting(w, chr, unused);
}

} // namespace sarvel
