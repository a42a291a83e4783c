#include "RtfKeywords.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace sarvel {

namespace {

using K = RtfKeyword;

constexpr std::string_view paragraphEnds = "par sect page column row nestrow";
// Every underline style is just underline; \ulc (underline colour) is not among them.
constexpr std::string_view underlines =
    "ul uld uldash uldashd uldashdd uldb ulhwave ulldash ulth ulthd ulthdash "
    "ulthdashd ulthdashdd ulthldash ululdbwave ulw ulwave";
// Destinations without \* that hold nothing to show.
constexpr std::string_view hiddenDestinations =
    "info pict nonshppict objdata header headerl headerr headerf footer footerl footerr footerf "
    "footnote annotation atnid atnauthor atnref atndate filetbl revtbl xe tc tcn fldinst listtable "
    "listoverridetable themedata latentstyles datastore xmlnstbl colorschememapping rsidtbl generator pn "
    "pntxta pntxtb template docvar userprops pgdsctbl mmathPr ftnsep ftnsepc ftncn aftnsep aftnsepc aftncn "
    "bkmkstart bkmkend shpinst do private fname falt panose blipuid comment title subject author operator "
    "keywords doccomm";

std::vector<std::string_view> splitWords(std::string_view list) {
    std::vector<std::string_view> out;
    for (std::size_t from = 0; from < list.size();) {
        const std::size_t to = std::min(list.find(' ', from), list.size());
        out.push_back(list.substr(from, to - from));
        from = to + 1;
    }
    return out;
}

const std::unordered_map<std::string_view, RtfKeywordInfo>& table() {
    static const std::unordered_map<std::string_view, RtfKeywordInfo> keywords = [] {
        std::unordered_map<std::string_view, RtfKeywordInfo> m{
            {"ansi", {K::Ansi}},
            {"mac", {K::Mac}},
            {"pc", {K::Pc}},
            {"pca", {K::Pca}},
            {"ansicpg", {K::AnsiCodePage}},
            {"deff", {K::DefaultFont}},
            {"fonttbl", {K::FontTable}},
            {"colortbl", {K::ColorTable}},
            {"stylesheet", {K::StyleSheet}},
            {"s", {K::ParagraphStyle}},
            {"cs", {K::CharacterStyle}},
            {"ds", {K::OtherStyle}},
            {"ts", {K::OtherStyle}},
            {"sbasedon", {K::StyleBasedOn}},
            {"f", {K::Font}},
            {"fcharset", {K::FontCharset}},
            {"cpg", {K::FontCodePage}},
            {"red", {K::Red}},
            {"green", {K::Green}},
            {"blue", {K::Blue}},
            {"object", {K::Object}},
            {"result", {K::Result}},
            {"uc", {K::UnicodeSkip}},
            {"u", {K::Unicode}},
            {"plain", {K::Plain}},
            {"b", {K::Bold}},
            {"i", {K::Italic}},
            {"ulnone", {K::UnderlineNone}},
            {"strike", {K::Strike}},
            {"striked", {K::Strike}},
            {"v", {K::Hidden}},
            {"caps", {K::Caps}},
            {"scaps", {K::SmallCaps}},
            {"super", {K::Super}},
            {"sub", {K::Sub}},
            {"nosupersub", {K::NoSuperSub}},
            {"fs", {K::FontSize}},
            {"cf", {K::Foreground}},
            {"cb", {K::Background}},
            {"highlight", {K::Highlight}},
            {"chcbpat", {K::Background}},
            {"pard", {K::ParagraphDefault}},
            {"ql", {K::AlignLeft}},
            {"qc", {K::AlignCenter}},
            {"qr", {K::AlignRight}},
            {"qj", {K::AlignJustify}},
            {"qd", {K::AlignJustify}},
            {"li", {K::LeftIndent}},
            {"ri", {K::RightIndent}},
            {"fi", {K::FirstIndent}},
            {"sb", {K::SpaceBefore}},
            {"sa", {K::SpaceAfter}},
            {"line", {K::Character, u'\u2028'}},
            {"tab", {K::Character, u'\t'}},
            {"cell", {K::Character, u'\t'}},
            {"nestcell", {K::Character, u'\t'}},
            {"lquote", {K::Character, u'\u2018'}},
            {"rquote", {K::Character, u'\u2019'}},
            {"ldblquote", {K::Character, u'\u201C'}},
            {"rdblquote", {K::Character, u'\u201D'}},
            {"bullet", {K::Character, u'\u2022'}},
            {"emdash", {K::Character, u'\u2014'}},
            {"endash", {K::Character, u'\u2013'}},
            {"emspace", {K::Character, u'\u2003'}},
            {"enspace", {K::Character, u'\u2002'}},
            {"qmspace", {K::Character, u'\u2005'}},
            {"zwj", {K::Character, u'\u200D'}},
            {"zwnj", {K::Character, u'\u200C'}},
            {"ltrmark", {K::Character, u'\u200E'}},
            {"rtlmark", {K::Character, u'\u200F'}},
        };
        for (std::string_view w : splitWords(paragraphEnds))
            m.emplace(w, RtfKeywordInfo{K::Paragraph});
        for (std::string_view w : splitWords(underlines))
            m.emplace(w, RtfKeywordInfo{K::Underline});
        for (std::string_view w : splitWords(hiddenDestinations))
            m.emplace(w, RtfKeywordInfo{K::Skip});
        return m;
    }();
    return keywords;
}

} // namespace

RtfKeywordInfo lookupRtfKeyword(std::string_view word) {
    const auto& keywords = table();
    const auto it = keywords.find(word);
    return it == keywords.end() ? RtfKeywordInfo{} : it->second;
}

} // namespace sarvel
