#include "RtfTables.h"

#include <algorithm>

namespace sarvel {

namespace {

constexpr std::size_t maxFontNameBytes = 256;
constexpr std::size_t maxColors = 4096;

} // namespace

void RtfTables::beginFontTable() {
    entryFont_ = -1;
    entry_ = FontEntry{};
    entryName_.clear();
}

void RtfTables::fontTableWord(RtfKeyword keyword, int param) {
    switch (keyword) {
    case RtfKeyword::Font:
        commitFont(); // macOS writes entries without braces: a new \f ends the last one
        entryFont_ = param;
        break;
    case RtfKeyword::FontCharset:
        entry_.charset = param;
        break;
    case RtfKeyword::FontCodePage:
        entry_.codePage = std::max(param, 0);
        break;
    default:
        break;
    }
}

void RtfTables::fontTableBytes(std::string_view data) {
    for (const char ch : data) {
        if (ch == ';')
            commitFont();
        else if (entryName_.size() < maxFontNameBytes)
            entryName_ += ch;
    }
}

void RtfTables::commitFont() {
    if (entryFont_ >= 0) {
        // The name is written in the font's own charset.
        const int page =
            entry_.codePage > 0 ? entry_.codePage : RtfCodePages::forCharset(entry_.charset, ansiPage_);
        QString family;
        pages_.decode(page, entryName_, family);
        entry_.family = family.trimmed();
        fonts_[entryFont_] = entry_;
        ++generation_;
    }
    beginFontTable();
}

void RtfTables::beginColorTable() {
    colors_.clear();
    red_ = green_ = blue_ = 0;
    colorGiven_ = false;
    ++generation_;
}

void RtfTables::colorTableWord(RtfKeyword keyword, int param) {
    const int v = std::clamp(param, 0, 255);
    switch (keyword) {
    case RtfKeyword::Red:
        red_ = v;
        break;
    case RtfKeyword::Green:
        green_ = v;
        break;
    case RtfKeyword::Blue:
        blue_ = v;
        break;
    default:
        return;
    }
    colorGiven_ = true;
}

void RtfTables::colorTableBytes(std::string_view data) {
    for (const char ch : data) {
        if (ch != ';' || colors_.size() >= maxColors)
            continue;
        // An entry with no components is "auto"; entry 0 usually is, but not in every producer.
        colors_.push_back(colorGiven_ ? std::optional<QColor>(QColor(red_, green_, blue_)) : std::nullopt);
        red_ = green_ = blue_ = 0;
        colorGiven_ = false;
        ++generation_;
    }
}

const RtfTables::FontEntry* RtfTables::fontEntry(int font) const {
    const auto it = fonts_.find(font < 0 ? defaultFont_ : font);
    return it == fonts_.end() ? nullptr : &it->second;
}

int RtfTables::codePageOf(int font) const {
    const FontEntry* f = fontEntry(font);
    if (!f)
        return ansiPage_;
    return f->codePage > 0 ? f->codePage : RtfCodePages::forCharset(f->charset, ansiPage_);
}

QString RtfTables::familyOf(int font) const {
    const FontEntry* f = fontEntry(font);
    return f ? f->family : QString();
}

std::optional<QColor> RtfTables::color(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= colors_.size())
        return std::nullopt;
    return colors_[static_cast<std::size_t>(index)];
}

} // namespace sarvel
