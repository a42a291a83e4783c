#include "RtfCodePages.h"

namespace sarvel {

namespace {

bool isMultiByte(int codePage) {
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950 || codePage == 1361;
}

QStringDecoder openDecoder(int codePage) {
    const QByteArray n = QByteArray::number(codePage);
    QByteArray names[3];
    switch (codePage) {
    case 932:
        names[0] = "windows-31j";
        break;
    case 10000:
        names[0] = "macintosh";
        break;
    case 10007:
        names[0] = "x-mac-cyrillic";
        break;
    default:
        names[0] = "windows-" + n;
        break;
    }
    names[1] = "cp" + n;
    names[2] = "IBM" + n;
    for (const QByteArray& name : names) {
        QStringDecoder d(name.constData(), QStringConverter::Flag::Stateless);
        if (d.isValid())
            return d;
    }
    return {};
}

} // namespace

int RtfCodePages::forCharset(int charset, int ansiPage) {
    switch (charset) {
    case 0:
        return 1252;
    case 2:
        return symbolPage;
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 866; // OEM: the DOS page of a Russian system
    default:
        return ansiPage;
    }
}

std::unique_ptr<RtfCodePages::Page> RtfCodePages::makePage(int codePage) {
    auto p = std::make_unique<Page>();
    if (codePage == symbolPage) {
        // Private-use mapping as Windows does it; the one glyph lyrics use from it is the bullet.
        for (int b = 0; b < 128; ++b)
            p->high[b] = static_cast<char16_t>(0xF080 + b);
        p->high[0xB7 - 0x80] = u'\u2022';
        return p;
    }
    p->decoder = openDecoder(codePage);
    if (!p->decoder.isValid()) {
        if (codePage != fallbackPage)
            return nullptr;
        for (int b = 0; b < 128; ++b) // no converter library at all: Latin-1 is the nearest
            p->high[b] = static_cast<char16_t>(0x80 + b);
        return p;
    }
    p->multiByte = isMultiByte(codePage);
    if (p->multiByte)
        return p;

    char bytes[128];
    for (int b = 0; b < 128; ++b)
        bytes[b] = static_cast<char>(0x80 + b);
    QString all = p->decoder.decode(QByteArrayView(bytes, 128));
    if (all.size() != 128) {
        all.clear();
        for (int b = 0; b < 128; ++b) {
            const QString one = p->decoder.decode(QByteArrayView(bytes + b, 1));
            all += one.size() == 1 ? one[0] : QChar(QChar::ReplacementCharacter);
        }
    }
    for (int b = 0; b < 128; ++b)
        p->high[b] = all[b].unicode();
    return p;
}

RtfCodePages::Page& RtfCodePages::page(int codePage) {
    if (last_ && lastCodePage_ == codePage)
        return *last_;
    Page* p = nullptr;
    if (auto it = pages_.find(codePage); it != pages_.end())
        p = it->second.get();
    else if (pages_.size() < maxPages || codePage == fallbackPage)
        p = pages_.emplace(codePage, makePage(codePage)).first->second.get();
    // A page without a converter is remembered as such and read as 1252, which always exists.
    if (!p)
        p = &page(fallbackPage);
    lastCodePage_ = codePage;
    last_ = p;
    return *p;
}

void RtfCodePages::decode(int codePage, std::string_view bytes, QString& out) {
    if (bytes.empty())
        return;
    Page& p = page(codePage);
    if (p.multiByte) {
        out += p.decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
        return;
    }
    const qsizetype start = out.size();
    out.resize(start + qsizetype(bytes.size()));
    QChar* dst = out.data() + start;
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        *dst++ = b < 0x80 ? QChar(b) : QChar(p.high[b - 0x80]);
    }
}

QString decodeUtf8OrCp1251(QByteArrayView bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    text.clear();
    RtfCodePages().decode(1251, std::string_view(bytes.data(), std::size_t(bytes.size())), text);
    return text;
}

} // namespace sarvel
