#pragma once

#include <QString>
#include <QStringDecoder>

#include <array>
#include <map>
#include <memory>
#include <string_view>

namespace sarvel {

// Byte-to-text decoding for the Windows code pages RTF files name. Single-byte pages go through a
// 128-entry table built once; double-byte pages (CJK) decode whole runs so pairs stay together.
class RtfCodePages {
public:
    static constexpr int symbolPage = 42; // the Symbol font's private page
    static constexpr int fallbackPage = 1252;
    static constexpr std::size_t maxPages = 32; // more distinct pages than this is a hostile file

    // \fcharsetN → code page; charset 1 (default) and unknown charsets give ansiPage.
    static int forCharset(int charset, int ansiPage);

    // Appends the text of bytes in codePage to out; unknown pages decode as 1252.
    void decode(int codePage, std::string_view bytes, QString& out);

private:
    struct Page {
        bool multiByte = false;
        std::array<char16_t, 128> high{};
        QStringDecoder decoder;
    };

    Page& page(int codePage);
    static std::unique_ptr<Page> makePage(int codePage);

    std::map<int, std::unique_ptr<Page>> pages_;
    int lastCodePage_ = 0;
    Page* last_ = nullptr;
};

// Text that names no encoding of its own (plain words, timing files): UTF-8 after a UTF-8 mark or
// when all of it is valid UTF-8, Windows-1251 otherwise.
QString decodeUtf8OrCp1251(QByteArrayView bytes);

} // namespace sarvel
