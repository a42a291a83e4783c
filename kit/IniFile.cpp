#include "IniFile.h"
#include "AtomicWrite.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
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

bool isValidUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString decoded = decoder.decode(bytes); // the conversion is lazy until it is taken
    return !decoder.hasError();
}

[[noreturn]] void failWrite(const QString& path) {
    throw std::runtime_error(("Unable to write to " + path).toStdString());
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
    bom_ = rest.startsWith(kUtf8Bom);
    if (bom_)
        rest = rest.sliced(kUtf8Bom.size());
    cp1251_ = !bom_ && !isValidUtf8(bytes);

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
        return QString::fromUtf8(bytes);
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
        if (line >= 0)
            return cut(decode(unquoted(parseLine(lines_[line].raw).value)));
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
    const QByteArray sectionName = encodeForWrite(trimmedName(section));
    const QByteArray keyName = encodeForWrite(trimmedName(key));
    const QByteArray bytes = encodeForWrite(value);

    const auto sectionIt = sectionIndex_.find(asciiLower(sectionName));
    if (sectionIt == sectionIndex_.end()) {
        if (!lines_.empty() && lines_.back().ending.isEmpty())
            lines_.back().ending = newline_;
        lines_.push_back({'[' + sectionName + ']', newline_});
        lines_.push_back({keyName + '=' + bytes, newline_});
        index();
        return;
    }
    const Section& found = sections_[sectionIt->second];
    const NameIndex& keys = keysOf(found);
    const auto keyIt = keys.find(asciiLower(keyName));
    if (keyIt != keys.end()) {
        const int line = keyIt->second;
        // The line keeps its own indentation and spelling of the key; only the value changes.
        QByteArray& raw = lines_[line].raw;
        raw.truncate(raw.indexOf('=') + 1);
        raw += bytes;
        return;
    }
    insertLine(found.lastKey + 1, keyName + '=' + bytes);
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
    QByteArray contents;
    if (bom_)
        contents += kUtf8Bom;
    for (const Line& line : lines_)
        contents += line.raw + line.ending;
    writeFileAtomically(path_, contents);
    exists_ = true;
}

void IniFile::writeProfileString(const QString& path, const QString& section, const QString& key,
                                 const QString& value) {
    IniFile file(path);
    file.writeString(section, key, value);
    file.save();
}

} // namespace sarvel
