#include "IniFile.h"
#include "AtomicWrite.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <QStringEncoder>
#include <array>
#include <climits>
#include <stdexcept>

namespace sarvel {

namespace {

// The reader's buffer of 2048 holds 2047 characters and the terminating zero.
constexpr qsizetype kMaxValueLength = 2047;
// Kits and the settings file are a few hundred kilobytes at most; anything far larger is not one.
constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;
const QByteArray kUtf8Bom("\xEF\xBB\xBF");
const QByteArray kUtf16Bom("\xFF\xFE");

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v';
}

QByteArrayView trimmed(QByteArrayView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

QString trimmedName(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    const auto blank = [](QChar c) { return c.unicode() < 128 && isBlank(char(c.unicode())); };
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// Names match without regard to ASCII letter case only; other bytes (Cyrillic included) must be equal.
QByteArray asciiLower(QByteArrayView text) {
    QByteArray lower(text.data(), text.size());
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return lower;
}

struct ParsedLine {
    enum Kind { Other, Header, Key } kind = Other;
    QByteArrayView name;  // section or key name, trimmed
    QByteArrayView value; // key value, trimmed, quotes still on
};

ParsedLine parseLine(const QByteArray& raw) {
    const QByteArrayView line = trimmed(raw);
    if (line.isEmpty() || line.front() == ';')
        return {};
    if (line.front() == '[') {
        // The name ends at the first ']'; without one the rest of the line is the name.
        QByteArrayView name = line.sliced(1);
        const qsizetype close = name.indexOf(']');
        if (close >= 0)
            name = name.first(close);
        return {ParsedLine::Header, trimmed(name), {}};
    }
    const qsizetype eq = line.indexOf('=');
    if (eq < 0)
        return {};
    return {ParsedLine::Key, trimmed(line.first(eq)), trimmed(line.sliced(eq + 1))};
}

QByteArrayView unquoted(QByteArrayView value) {
    if (value.size() >= 2 && value.front() == value.back() && (value.front() == '"' || value.front() == '\''))
        return value.sliced(1, value.size() - 2);
    return value;
}

// Cuts to the reader's limit without splitting a surrogate pair: one Windows-1251 byte or one
// UTF-8 character counts as one.
QString cut(QString text) {
    if (text.size() <= kMaxValueLength)
        return text;
    qsizetype at = 0;
    for (qsizetype count = 0; count < kMaxValueLength && at < text.size(); ++count)
        at += (text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate()) ? 2 : 1;
    text.truncate(at);
    return text;
}

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// The whole text must be the number; anything else (or a value outside 32 bits) is no number.
std::optional<int> parseInt(const QString& text) {
    qint64 result = 0;
    if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
        for (qsizetype i = 2; i < text.size(); ++i) {
            const int digit = hexDigit(text[i]);
            if (digit < 0)
                return std::nullopt;
            result = result * 16 + digit;
            if (result > INT_MAX)
                return std::nullopt;
        }
        return int(result);
    }
    qsizetype i = 0;
    const bool negative = !text.isEmpty() && text[0] == u'-';
    if (!text.isEmpty() && (text[0] == u'-' || text[0] == u'+'))
        ++i;
    if (i == text.size())
        return std::nullopt;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9')
            return std::nullopt;
        result = result * 10 + (text[i].unicode() - u'0');
        if (result > qint64(INT_MAX) + 1)
            return std::nullopt;
    }
    if (negative)
        result = -result;
    if (result > INT_MAX || result < INT_MIN)
        return std::nullopt;
    return int(result);
}

// Windows-1251 maps each byte to one character and back; the table is made once from Qt's codec.
struct Cp1251Table {
    std::array<char16_t, 256> toUnicode{};
    QHash<char16_t, char> fromUnicode;

    Cp1251Table() {
        QStringDecoder decoder("windows-1251", QStringConverter::Flag::Stateless);
        for (int byte = 0; byte < 256; ++byte) {
            const char c = char(byte);
            const QString decoded = decoder.isValid() ? decoder.decode(QByteArrayView(&c, 1)) : QString();
            const bool mapped = decoded.size() == 1 && decoded[0] != QChar::ReplacementCharacter;
            toUnicode[byte] = mapped ? decoded[0].unicode() : (byte < 128 ? char16_t(byte) : u'\uFFFD');
            if (mapped || byte < 128)
                fromUnicode.insert(toUnicode[byte], c);
        }
    }
};

const Cp1251Table& cp1251() {
    static const Cp1251Table table;
    return table;
}

// What a file's bytes tell about their encoding when no byte-order mark says it. Windows reads
// such a file in its ANSI code page, Windows-1251; UTF-8 is only this program's extension.
// Windows-1251 Cyrillic text is now and then valid UTF-8 ("ДЁ" is C4 A8, UTF-8 for "Ĩ"), so
// validity alone would let one edit turn a kit's encoding. A UTF-8 sequence counts as UTF-8 only
// when, read as Windows-1251, it shows something other than Cyrillic letters (Russian in UTF-8
// reads there as "Р°", "С‚": a letter and a sign), or when it touches an ASCII letter (an
// accented letter in a Latin word: "ü" in "Müller" would read "Гј"). The clues of lines combine,
// so a write can be checked against the rest of the file (IniFile::writeString).
struct Clues {
    bool nonAscii = false; // any byte above 127
    bool notUtf8 = false;  // some byte sequence is no UTF-8
    bool utf8Only = false; // some UTF-8 sequence cannot be Windows-1251 Cyrillic

    Clues& operator+=(const Clues& other) {
        nonAscii |= other.nonAscii;
        notUtf8 |= other.notUtf8;
        utf8Only |= other.utf8Only;
        return *this;
    }
    // Plain ASCII counts as UTF-8, the encoding of a new file.
    bool cp1251() const { return nonAscii && (notUtf8 || !utf8Only); }
};

Clues cluesOf(QByteArrayView bytes) {
    Clues clues;
    const auto& table = cp1251().toUnicode;
    const auto letter = [&](uchar byte) { return table[byte] >= u'\u0400' && table[byte] <= u'\u04FF'; };
    const auto latin = [&](qsizetype at) {
        return at >= 0 && at < bytes.size() && ((bytes[at] | 0x20) >= 'a' && (bytes[at] | 0x20) <= 'z');
    };
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar lead = uchar(bytes[i]);
        if (lead < 0x80)
            continue;
        clues.nonAscii = true;
        // Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
        int length = 0;
        uchar low = 0x80, high = 0xBF; // range of the first continuation byte
        if (lead >= 0xC2 && lead <= 0xDF)
            length = 2;
        else if (lead >= 0xE0 && lead <= 0xEF)
            length = 3, low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
        else if (lead >= 0xF0 && lead <= 0xF4)
            length = 4, low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
        bool valid = length > 0 && i + length <= bytes.size();
        bool letters = true; // every lead byte is a Windows-1251 letter
        for (int k = 1; valid && k < length; ++k) {
            const uchar next = uchar(bytes[i + k]);
            valid = next >= (k == 1 ? low : 0x80) && next <= (k == 1 ? high : 0xBF);
            letters = letters && letter(next);
        }
        if (!valid) {
            clues.notUtf8 = true;
            return clues; // nothing read later can make it UTF-8
        }
        clues.utf8Only |= !letters || latin(i - 1) || latin(i + length);
        i += length - 1;
    }
    return clues;
}

// A UTF-8 text as a string, keeping a leading U+FEFF that Qt would take for a byte-order mark.
QString fromUtf8(QByteArrayView bytes) {
    if (!bytes.startsWith(kUtf8Bom))
        return QString::fromUtf8(bytes);
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

// Text after the FF FE mark is whole UTF-16LE: an even number of bytes, surrogates in pairs.
bool isValidUtf16(QByteArrayView bytes) {
    if (bytes.size() % 2 != 0)
        return false;
    bool pending = false; // a high surrogate waits for its low one
    for (qsizetype i = 0; i < bytes.size(); i += 2) {
        const char16_t unit = char16_t(uchar(bytes[i]) | uchar(bytes[i + 1]) << 8);
        const bool highSurrogate = QChar::isHighSurrogate(unit);
        const bool lowSurrogate = QChar::isLowSurrogate(unit);
        if (pending != lowSurrogate)
            return false;
        pending = highSurrogate;
    }
    return !pending;
}

[[noreturn]] void failWrite(const QString& path) {
    throw std::runtime_error(("Unable to write to " + path).toStdString());
}

[[noreturn]] void failDamagedUnicode(const QString& path) {
    throw std::runtime_error(
        ("Unable to write to " + path + ": the file is Unicode (UTF-16) text that is damaged").toStdString());
}

// Line endings share three constant arrays instead of allocating one per line.
const QByteArray& endingAt(QByteArrayView text, qsizetype at) {
    static const QByteArray crlf("\r\n"), lf("\n"), cr("\r");
    if (text[at] == '\n')
        return lf;
    return at + 1 < text.size() && text[at + 1] == '\n' ? crlf : cr;
}

} // namespace

IniFile::IniFile(const QString& path) : path_(path) {
    const QFileInfo info(path);
    // A folder holds no entries: it reads like a missing file, and writing to it is refused.
    if (!info.exists() || info.isDir())
        return;
    const auto failRead = [&] { throw std::runtime_error(("Unable to read " + path).toStdString()); };
    if (!info.isFile() || info.size() > kMaxFileSize)
        failRead();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        failRead();
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        failRead();
    exists_ = true;
    load(bytes);
}

void IniFile::load(const QByteArray& bytes) {
    QByteArrayView rest(bytes);
    QByteArray converted;
    if (rest.startsWith(kUtf16Bom)) {
        // Notepad's "Unicode": held here as UTF-8 and turned back into UTF-16LE by save().
        utf16_ = true;
        rest = rest.sliced(kUtf16Bom.size());
        damaged_ = !isValidUtf16(rest);
        QStringDecoder decoder(QStringConverter::Utf16LE, QStringConverter::Flag::ConvertInitialBom);
        converted = QString(decoder.decode(rest)).toUtf8();
        rest = converted;
    } else {
        bom_ = rest.startsWith(kUtf8Bom);
        if (bom_)
            rest = rest.sliced(kUtf8Bom.size());
        cp1251_ = !bom_ && cluesOf(rest).cp1251();
    }

    lines_.reserve(size_t(rest.count('\n') + 1));
    bool endingSeen = false;
    qsizetype start = 0;
    for (qsizetype i = 0; i < rest.size(); ++i) {
        if (rest[i] != '\r' && rest[i] != '\n')
            continue;
        Line line{rest.sliced(start, i - start).toByteArray(), endingAt(rest, i)};
        if (!endingSeen) {
            newline_ = line.ending;
            endingSeen = true;
        }
        i += line.ending.size() - 1;
        lines_.push_back(std::move(line));
        start = i + 1;
    }
    if (start < rest.size())
        lines_.push_back({rest.sliced(start).toByteArray(), QByteArray()});
    index();
}

std::size_t IniFile::NameHash::operator()(const QByteArray& name) const noexcept {
    // FNV-1a: Qt's seeded hash costs several times more on these short names.
    std::size_t hash = 14695981039346656037ull;
    for (const char c : name)
        hash = (hash ^ uchar(c)) * 1099511628211ull;
    return hash;
}

void IniFile::index() {
    sections_.clear();
    sectionIndex_.clear();
    int open = -1; // the section whose lines are being passed, -1 when none
    for (int i = 0; i < int(lines_.size()); ++i) {
        const ParsedLine parsed = parseLine(lines_[i].raw);
        if (parsed.kind != ParsedLine::Header)
            continue;
        if (open >= 0)
            sections_[open].end = i;
        open = -1; // a later copy of a section is never searched
        if (sectionIndex_.try_emplace(asciiLower(parsed.name), int(sections_.size())).second) {
            open = int(sections_.size());
            sections_.push_back({i, i + 1, std::nullopt, i});
        }
    }
    if (open >= 0)
        sections_[open].end = int(lines_.size());
}

const IniFile::NameIndex& IniFile::keysOf(const Section& section) const {
    if (!section.keys) {
        NameIndex keys;
        section.lastKey = section.header;
        for (int i = section.header + 1; i < section.end; ++i) {
            const ParsedLine parsed = parseLine(lines_[i].raw);
            if (parsed.kind != ParsedLine::Key)
                continue;
            section.lastKey = i;
            keys.try_emplace(asciiLower(parsed.name), i); // the first of duplicate keys wins
        }
        section.keys = std::move(keys);
    }
    return *section.keys;
}

std::optional<QByteArray> IniFile::nameKey(const QString& name) const {
    const std::optional<QByteArray> bytes = encode(trimmedName(name));
    if (!bytes)
        return std::nullopt;
    return asciiLower(*bytes);
}

const IniFile::Section* IniFile::findSection(const QString& section) const {
    const std::optional<QByteArray> name = nameKey(section);
    if (!name)
        return nullptr;
    const auto it = sectionIndex_.find(*name);
    return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

int IniFile::findKey(const Section& section, const QString& key) const {
    const std::optional<QByteArray> name = nameKey(key);
    if (!name)
        return -1;
    const NameIndex& keys = keysOf(section);
    const auto it = keys.find(*name);
    return it == keys.end() ? -1 : it->second;
}

QString IniFile::decode(QByteArrayView bytes) const {
    if (!cp1251_)
        return fromUtf8(bytes);
    QString text(bytes.size(), Qt::Uninitialized);
    const auto& table = cp1251().toUnicode;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        text[i] = QChar(table[uchar(bytes[i])]);
    return text;
}

std::optional<QByteArray> IniFile::encode(const QString& text) const {
    if (!cp1251_)
        return text.toUtf8();
    QByteArray bytes(text.size(), Qt::Uninitialized);
    const auto& table = cp1251().fromUnicode;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto it = table.constFind(text[i].unicode());
        if (it == table.cend())
            return std::nullopt;
        bytes[i] = *it;
    }
    return bytes;
}

QByteArray IniFile::encodeForWrite(const QString& text) const {
    // A character Windows-1251 cannot hold is refused rather than stored as '?': a path written
    // that way would silently name another file, and converting the whole file to UTF-8 would
    // garble it for the program's Windows users.
    std::optional<QByteArray> bytes = encode(text);
    // A line break would split the entry into lines that read back as something else.
    if (!bytes || bytes->contains('\n') || bytes->contains('\r'))
        failWrite(path_);
    return *std::move(bytes);
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const {
    if (const Section* found = findSection(section)) {
        const int line = findKey(*found, key);
        if (line >= 0) {
            // The reader's string ends at a NUL byte (a damaged kit), before quotes are removed.
            QByteArrayView value = parseLine(lines_[line].raw).value;
            if (const qsizetype nul = value.indexOf('\0'); nul >= 0)
                value.truncate(nul);
            return cut(decode(unquoted(value)));
        }
    }
    QString fallback = def;
    while (fallback.endsWith(u' '))
        fallback.chop(1);
    return cut(fallback);
}

int IniFile::readInt(const QString& section, const QString& key, int def) const {
    return parseInt(readString(section, key, QString())).value_or(def);
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    if (damaged_)
        failDamagedUnicode(path_);
    const QString sectionText = trimmedName(section);
    const QString keyText = trimmedName(key);
    QByteArray sectionName = encodeForWrite(sectionText);
    QByteArray keyName = encodeForWrite(keyText);
    QByteArray bytes = encodeForWrite(value);

    const auto sectionIt = sectionIndex_.find(asciiLower(sectionName));
    const Section* found = sectionIt == sectionIndex_.end() ? nullptr : &sections_[sectionIt->second];
    int line = -1; // the line whose value is replaced
    if (found) {
        const NameIndex& keys = keysOf(*found);
        const auto keyIt = keys.find(asciiLower(keyName));
        if (keyIt != keys.end())
            line = keyIt->second;
    }

    // Without a byte-order mark the bytes decide the encoding (cluesOf), so a write must leave a
    // file that reads back in the encoding it was written in.
    if (!utf16_ && !bom_) {
        Clues rest; // everything the write keeps
        for (int i = 0; i < int(lines_.size()); ++i)
            rest += cluesOf(i != line ? QByteArrayView(lines_[i].raw)
                                      : QByteArrayView(lines_[i].raw).first(lines_[i].raw.indexOf('=')));
        const auto readsBack = [&] {
            Clues all = rest;
            if (!found)
                all += cluesOf(sectionName);
            all += cluesOf(line >= 0 ? bytes : keyName + '=' + bytes);
            return all.cp1251() == cp1251_;
        };
        if (!readsBack()) {
            // While the rest of the file is ASCII it has no encoding of its own yet: the text goes
            // in the other one if that reads back.
            bool readable = false;
            if (!rest.nonAscii) {
                const QByteArray kept[] = {sectionName, keyName, bytes};
                cp1251_ = !cp1251_;
                const std::optional<QByteArray> otherSection = encode(sectionText);
                const std::optional<QByteArray> otherKey = encode(keyText);
                const std::optional<QByteArray> otherValue = encode(value);
                if (otherSection && otherKey && otherValue) {
                    sectionName = *otherSection, keyName = *otherKey, bytes = *otherValue;
                    readable = readsBack();
                }
                if (!readable) {
                    cp1251_ = !cp1251_;
                    sectionName = kept[0], keyName = kept[1], bytes = kept[2];
                }
            }
            // A file not made yet may take the UTF-8 mark; an existing one never gets it, for the
            // Windows program reads a kit in the ANSI code page.
            if (!readable && !exists_ && !cp1251_)
                readable = bom_ = true;
            if (!readable)
                failWrite(path_);
        }
    }

    if (!found) {
        if (!lines_.empty() && lines_.back().ending.isEmpty())
            lines_.back().ending = newline_;
        lines_.push_back({'[' + sectionName + ']', newline_});
        lines_.push_back({keyName + '=' + bytes, newline_});
        index();
        return;
    }
    if (line >= 0) {
        // The line keeps its own indentation and spelling of the key; only the value changes.
        QByteArray& raw = lines_[line].raw;
        raw.truncate(raw.indexOf('=') + 1);
        raw += bytes;
        return;
    }
    insertLine(found->lastKey + 1, keyName + '=' + bytes);
}

std::optional<char32_t> IniFile::firstUnstorable(const QString& text) const {
    for (const char32_t c : text.toUcs4())
        if (!encode(QString::fromUcs4(&c, 1)))
            return c;
    return std::nullopt;
}

QString IniFile::encodingName() const {
    if (utf16_)
        return QStringLiteral("UTF-16");
    return cp1251_ ? QStringLiteral("Windows-1251") : QStringLiteral("UTF-8");
}

void IniFile::writeInt(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}

void IniFile::insertLine(int at, const QByteArray& raw) {
    if (at > 0 && lines_[at - 1].ending.isEmpty())
        lines_[at - 1].ending = newline_;
    lines_.insert(lines_.begin() + at, Line{raw, newline_});
    index();
}

void IniFile::save() {
    if (damaged_)
        failDamagedUnicode(path_);
    QByteArray contents;
    if (bom_)
        contents += kUtf8Bom;
    for (const Line& line : lines_)
        contents += line.raw + line.ending;
    if (utf16_) {
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        contents = kUtf16Bom + QStringEncoder(QStringConverter::Utf16LE).encode(decoder.decode(contents));
    }
    writeFileAtomically(path_, contents);
    exists_ = true;
}

IniFile IniFile::forWriting(const QString& path) {
    try {
        return IniFile(path);
    } catch (const std::runtime_error&) {
        failWrite(path);
    }
}

void IniFile::writeProfileString(const QString& path, const QString& section, const QString& key,
                                 const QString& value) {
    IniFile file = forWriting(path);
    file.writeString(section, key, value);
    file.save();
}

} // namespace sarvel
