#pragma once

#include "RtfCodePages.h"
#include "RtfDocumentBuilder.h"
#include "RtfKeywords.h"
#include "RtfState.h"
#include "RtfStyleSheet.h"
#include "RtfTables.h"
#include "RtfTokenizer.h"

#include <QString>
#include <QTextCharFormat>

#include <string>
#include <string_view>
#include <vector>

class QTextBlockFormat;
class QTextDocument;

namespace sarvel {

// Reads one RTF document (bytes starting at its opening brace) into a QTextDocument. The group
// stack is explicit and capped, so depth costs no recursion and bounded memory.
class RtfParser {
public:
    RtfParser(std::string_view bytes, QTextDocument& doc);

    void run();

    static constexpr std::size_t maxDepth = 1000; // groups nested deeper are dropped whole

private:
    RtfGroupState& top() { return stack_.back(); }
    bool showing() const;

    bool step(RtfTokenizer::Token t); // false once the root group closes
    void openGroup();
    bool closeGroup();
    void word(const RtfTokenizer::Token& t);
    void textWord(RtfKeyword keyword, const RtfTokenizer::Token& t, char16_t character);
    void symbol(unsigned char c);
    void bytes(std::string_view data);
    void unicode(int value);

    void appendText(QStringView text);
    void startRun();
    void flushBytes();
    void flushText();
    void endParagraph();
    const RtfParaState& paragraphState() const; // what the paragraph ending now takes

    const QTextCharFormat& charFormat(const RtfCharState& state);
    static QTextBlockFormat blockFormat(const RtfParaState& para);

    RtfTokenizer tokens_;
    RtfDocumentBuilder out_;
    RtfCodePages pages_;
    std::vector<RtfGroupState> stack_;
    std::size_t overflow_ = 0; // groups opened past maxDepth, still to close
    bool starred_ = false;     // \* seen: the next control word names an optional destination
    int fallbackLeft_ = 0;     // \uc fallback characters still to skip
    char16_t highSurrogate_ = 0;

    RtfTables tables_;
    RtfStyleSheet styles_;
    RtfParaState paraOfText_;   // paragraph state of the latest text
    bool textIsLatest_ = false; // text came after the last paragraph control of this paragraph

    std::string bytes_;         // text bytes in the current font's code page, decoded as one run
    QString pending_;           // decoded text of one formatting run
    RtfCharState pendingState_; // formatting of pending_
    RtfCharState cachedState_;
    QTextCharFormat cachedFormat_;
    unsigned cachedGeneration_ = 0;
    bool cacheValid_ = false;
};

} // namespace sarvel
