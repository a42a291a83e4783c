#include "RtfParser.h"

#include "RtfKeywords.h"

#include <QTextBlockFormat>

#include <algorithm>
#include <utility>

namespace sarvel {

namespace {

constexpr double twipsPerPixel = 15.0;

} // namespace

RtfParser::RtfParser(std::string_view bytes, QTextDocument& doc)
    : tokens_(bytes), out_(doc), tables_(pages_) {
    stack_.reserve(64);
}

bool RtfParser::showing() const {
    const RtfGroupState& g = stack_.back();
    return overflow_ == 0 && g.dest == RtfDestination::Text && !g.chr.hidden;
}

void RtfParser::run() {
    // The root group's opening brace: everything else lives inside it.
    if (tokens_.next().kind != RtfTokenizer::Kind::GroupOpen)
        return;
    stack_.emplace_back();
    for (auto t = tokens_.next(); t.kind != RtfTokenizer::Kind::End; t = tokens_.next()) {
        if (!step(t))
            break; // anything after the root group is not part of the document
    }
    flushBytes();
    flushText();
    out_.finish(blockFormat(paragraphState()));
}

bool RtfParser::step(RtfTokenizer::Token t) {
    using Kind = RtfTokenizer::Kind;
    if (t.kind == Kind::GroupOpen || t.kind == Kind::GroupClose) {
        fallbackLeft_ = 0;
        starred_ = false;
        flushBytes();
        if (t.kind == Kind::GroupOpen) {
            openGroup();
            return true;
        }
        return closeGroup();
    }

    if (fallbackLeft_ > 0) {
        // The characters standing in for a \u character are not shown.
        if (t.kind != Kind::Text) {
            --fallbackLeft_;
            return true;
        }
        const auto n = std::min<std::size_t>(fallbackLeft_, t.text.size());
        fallbackLeft_ -= static_cast<int>(n);
        t.text.remove_prefix(n);
        if (t.text.empty())
            return true;
    }

    const bool starred = std::exchange(starred_, false);
    if (overflow_ > 0)
        return true;
    switch (t.kind) {
    case Kind::Text:
        bytes(t.text);
        break;
    case Kind::Hex: {
        const char b = static_cast<char>(t.byte);
        bytes(std::string_view(&b, 1));
        break;
    }
    case Kind::Word:
        flushBytes();
        if (starred && !(top().dest == RtfDestination::StyleSheet &&
                         lookupRtfKeyword(t.text).keyword == RtfKeyword::CharacterStyle))
            top().dest = RtfDestination::Skip; // an optional destination this reader does not know
        else
            word(t);
        break;
    case Kind::Symbol:
        flushBytes();
        symbol(t.byte);
        break;
    default: // \bin data is never text
        flushBytes();
        break;
    }
    return true;
}

void RtfParser::openGroup() {
    if (overflow_ > 0 || stack_.size() >= maxDepth) {
        ++overflow_;
        return;
    }
    stack_.push_back(stack_.back());
}

bool RtfParser::closeGroup() {
    if (overflow_ > 0) {
        --overflow_;
        return true;
    }
    if (top().dest == RtfDestination::FontTable)
        tables_.endFontTableGroup(); // an entry may end with its group instead of ';'
    else if (top().dest == RtfDestination::StyleSheet)
        styles_.endGroup();
    if (stack_.size() == 1)
        return false;
    stack_.pop_back();
    return true;
}

void RtfParser::word(const RtfTokenizer::Token& t) {
    const RtfKeywordInfo info = t.text.empty() ? RtfKeywordInfo{} : lookupRtfKeyword(t.text);
    RtfGroupState& g = top();
    switch (info.keyword) {
    case RtfKeyword::Unknown:
        return;
    case RtfKeyword::UnicodeSkip:
        g.unicodeSkip = std::clamp(t.hasParam ? t.param : 1, 0, 1000);
        return;
    case RtfKeyword::Unicode:
        unicode(t.param);
        fallbackLeft_ = g.unicodeSkip;
        return;
    default:
        break;
    }
    switch (g.dest) {
    case RtfDestination::Skip:
        return;
    case RtfDestination::Object:
        if (info.keyword == RtfKeyword::Result)
            g.dest = RtfDestination::Text;
        return;
    case RtfDestination::FontTable:
        tables_.fontTableWord(info.keyword, t.param);
        return;
    case RtfDestination::ColorTable:
        tables_.colorTableWord(info.keyword, t.param);
        return;
    case RtfDestination::StyleSheet:
        styles_.word({info.keyword, t.param, t.hasParam});
        return;
    case RtfDestination::Text:
        textWord(info.keyword, t, info.character);
        return;
    }
}

void RtfParser::textWord(RtfKeyword keyword, const RtfTokenizer::Token& t, char16_t character) {
    RtfGroupState& g = top();
    RtfCharState& c = g.chr;
    RtfParaState& p = g.para;
    switch (keyword) {
    case RtfKeyword::Ansi:
        tables_.setAnsiPage(1252);
        break;
    case RtfKeyword::Mac:
        tables_.setAnsiPage(10000);
        break;
    case RtfKeyword::Pc:
        tables_.setAnsiPage(437);
        break;
    case RtfKeyword::Pca:
        tables_.setAnsiPage(850);
        break;
    case RtfKeyword::AnsiCodePage:
        if (t.param > 0)
            tables_.setAnsiPage(t.param);
        break;
    case RtfKeyword::DefaultFont:
        tables_.setDefaultFont(t.param);
        break;
    case RtfKeyword::FontTable:
        g.dest = RtfDestination::FontTable;
        tables_.beginFontTable();
        break;
    case RtfKeyword::ColorTable:
        g.dest = RtfDestination::ColorTable;
        tables_.beginColorTable();
        break;
    case RtfKeyword::Skip:
        g.dest = RtfDestination::Skip;
        break;
    case RtfKeyword::Object:
        g.dest = RtfDestination::Object;
        break;
    case RtfKeyword::Paragraph:
        endParagraph();
        break;
    case RtfKeyword::Character:
        appendText(QStringView(&character, 1));
        break;
    case RtfKeyword::StyleSheet:
        g.dest = RtfDestination::StyleSheet;
        styles_.begin();
        break;
    case RtfKeyword::ParagraphStyle:
        styles_.applyParagraphStyle(t.param, c, p);
        textIsLatest_ = false;
        break;
    case RtfKeyword::CharacterStyle:
        styles_.applyCharacterStyle(t.param, c);
        break;
    default:
        // Formatting, or table entries and \result outside an object, which do nothing here.
        if (applyRtfFormatting({keyword, t.param, t.hasParam}, c, p) &&
            keyword >= RtfKeyword::ParagraphDefault)
            textIsLatest_ = false;
        break;
    }
}

void RtfParser::symbol(unsigned char c) {
    switch (c) {
    case '*':
        starred_ = true;
        break;
    case '~':
        appendText(u"\u00A0");
        break;
    case '_':
        appendText(u"\u2011");
        break;
    case '{':
    case '}':
    case '\\': {
        const char16_t ch = c;
        appendText(QStringView(&ch, 1));
        break;
    }
    default: // \- (optional hyphen), \| \: and the rest show nothing
        break;
    }
}

void RtfParser::bytes(std::string_view data) {
    switch (top().dest) {
    case RtfDestination::Text:
        if (showing())
            bytes_.append(data);
        break;
    case RtfDestination::FontTable:
        tables_.fontTableBytes(data);
        break;
    case RtfDestination::ColorTable:
        tables_.colorTableBytes(data);
        break;
    case RtfDestination::StyleSheet:
        styles_.bytes(data);
        break;
    default:
        break;
    }
}

void RtfParser::unicode(int value) {
    if (!showing())
        return;
    const auto unit = static_cast<char16_t>(static_cast<unsigned>(value) & 0xFFFF);
    if (QChar::isHighSurrogate(unit)) {
        appendText({}); // a previous unpaired high surrogate, if any, is flushed as U+FFFD
        highSurrogate_ = unit;
        return;
    }
    if (QChar::isLowSurrogate(unit)) {
        if (highSurrogate_ == 0) {
            appendText(u"\uFFFD");
            return;
        }
        const char16_t pair[2] = {highSurrogate_, unit};
        highSurrogate_ = 0;
        appendText(QStringView(pair, 2));
        return;
    }
    appendText(QStringView(&unit, 1));
}

// ---- output ----

void RtfParser::startRun() {
    const RtfCharState& c = top().chr;
    if (!pending_.isEmpty() && !(c == pendingState_))
        flushText();
    if (pending_.isEmpty())
        pendingState_ = c;
    paraOfText_ = top().para;
    textIsLatest_ = true;
    if (highSurrogate_ != 0) {
        highSurrogate_ = 0;
        pending_ += QChar(QChar::ReplacementCharacter);
    }
}

void RtfParser::appendText(QStringView text) {
    if (!showing())
        return;
    flushBytes();
    startRun();
    pending_ += text;
}

void RtfParser::flushBytes() {
    if (bytes_.empty())
        return;
    startRun();
    pages_.decode(tables_.codePageOf(top().chr.font), bytes_, pending_);
    bytes_.clear();
}

void RtfParser::flushText() {
    if (pending_.isEmpty())
        return;
    out_.insertText(pending_, charFormat(pendingState_));
    pending_.clear();
}

void RtfParser::endParagraph() {
    if (out_.full()) {
        appendText(u"\u2028"); // the words still read line by line
        return;
    }
    if (highSurrogate_ != 0)
        appendText({}); // its pair never came: U+FFFD, in this paragraph
    highSurrogate_ = 0;
    flushText();
    out_.endParagraph(blockFormat(paragraphState()));
    textIsLatest_ = false;
}

const RtfParaState& RtfParser::paragraphState() const {
    // A group closed after the text, as in {\qc words}\par, does not take the paragraph's
    // formatting back: word processors show it as set for its text. A paragraph control written
    // after the text still counts.
    return textIsLatest_ ? paraOfText_ : stack_.back().para;
}

// ---- formats ----

const QTextCharFormat& RtfParser::charFormat(const RtfCharState& s) {
    if (cacheValid_ && s == cachedState_ && cachedGeneration_ == tables_.generation())
        return cachedFormat_;
    QTextCharFormat f;
    if (const QString family = tables_.familyOf(s.font); !family.isEmpty())
        f.setFontFamilies(QStringList{family});
    f.setFontPointSize(s.halfPoints / 2.0);
    f.setFontWeight(s.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(s.italic);
    f.setFontUnderline(s.underline);
    f.setFontStrikeOut(s.strike);
    if (s.caps)
        f.setFontCapitalization(QFont::AllUppercase);
    else if (s.smallCaps)
        f.setFontCapitalization(QFont::SmallCaps);
    if (s.script != 0)
        f.setVerticalAlignment(s.script > 0 ? QTextCharFormat::AlignSuperScript
                                            : QTextCharFormat::AlignSubScript);
    if (const auto fg = tables_.color(s.foreground))
        f.setForeground(*fg);
    if (const auto bg = tables_.color(s.background))
        f.setBackground(*bg);
    cachedState_ = s;
    cachedGeneration_ = tables_.generation();
    cachedFormat_ = f;
    cacheValid_ = true;
    return cachedFormat_;
}

QTextBlockFormat RtfParser::blockFormat(const RtfParaState& p) {
    QTextBlockFormat b;
    switch (p.align) {
    case RtfAlign::Left:
        b.setAlignment(Qt::AlignLeft);
        break;
    case RtfAlign::Center:
        b.setAlignment(Qt::AlignHCenter);
        break;
    case RtfAlign::Right:
        b.setAlignment(Qt::AlignRight);
        break;
    case RtfAlign::Justify:
        b.setAlignment(Qt::AlignJustify);
        break;
    }
    if (p.leftIndent != 0)
        b.setLeftMargin(p.leftIndent / twipsPerPixel);
    if (p.rightIndent != 0)
        b.setRightMargin(p.rightIndent / twipsPerPixel);
    if (p.firstIndent != 0)
        b.setTextIndent(p.firstIndent / twipsPerPixel);
    if (p.spaceBefore != 0)
        b.setTopMargin(p.spaceBefore / twipsPerPixel);
    if (p.spaceAfter != 0)
        b.setBottomMargin(p.spaceAfter / twipsPerPixel);
    return b;
}

} // namespace sarvel
