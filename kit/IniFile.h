#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <unordered_map>
#include <vector>

namespace sarvel {

// One INI file (a kit or the settings file) read and written with the rules of the Windows
// profile functions, so files made on Windows read and change here exactly as they did there.
// The file is read once when the object is made; writes change the in-memory copy, and save()
// replaces the file on disk crash-safely. Untouched lines stay byte for byte as they were.
class IniFile {
public:
    // Reads `path`. A missing file or a folder reads as empty (every read gives its default).
    // The encoding is UTF-16LE or UTF-8 when the file starts with that byte-order mark; without
    // one, UTF-8 only when the bytes show it (the rule is in IniFile.cpp), else Windows-1251.
    // An existing file that cannot be read raises std::runtime_error("Unable to read <path>").
    explicit IniFile(const QString& path);
    // Reads `path` to change and save it: a file that cannot be read cannot be rewritten either,
    // so the failure is std::runtime_error("Unable to write to <path>").
    static IniFile forWriting(const QString& path);

    const QString& path() const { return path_; }
    // True when the file existed when it was read (or has been saved since).
    bool exists() const { return exists_; }

    // Value of `key` in `section`, cut to 2047 characters, one pair of outer quotes removed;
    // `def` (trailing spaces removed) when the file, section or key is missing.
    QString readString(const QString& section, const QString& key, const QString& def) const;
    // The value read as text and converted whole: decimal with an optional sign, or 0x/0X hex;
    // anything else, or a value outside 32 bits, gives `def`.
    int readInt(const QString& section, const QString& key, int def) const;

    // Sets the value in memory (creating section or key as Windows would); save() writes it out.
    // Text a Windows-1251 file cannot hold, a line break, or a write after which the file would
    // read in another encoding raises std::runtime_error("Unable to write to <path>") and changes
    // nothing; so does any write to a UTF-16 file that does not decode (the message says why).
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInt(const QString& section, const QString& key, int value);
    // The first character of `text` this file's encoding cannot hold, so a caller can say which
    // one before it writes; none when the whole text can be stored.
    std::optional<char32_t> firstUnstorable(const QString& text) const;
    // The name of the file's encoding, for messages.
    QString encodingName() const;

    // Writes the whole file through a temporary file in the same folder, flushed and renamed over
    // the old one (keeping its permissions, following a symbolic link to its target).
    // A folder that takes no new file gets the file rewritten in place (see writeFileAtomically).
    // Raises std::runtime_error("Unable to write to <path>") and leaves the file untouched when
    // the folder is missing or the file may not be written.
    void save();

    // Convenience for a single write: read, set, save.
    static void writeProfileString(const QString& path, const QString& section, const QString& key,
                                   const QString& value);

private:
    struct Line {
        QByteArray raw;    // the line's bytes without its line ending
        QByteArray ending; // "\r\n", "\n", "\r" or empty for a last line without one
    };
    struct NameHash {
        std::size_t operator()(const QByteArray& name) const noexcept;
    };
    using NameIndex = std::unordered_map<QByteArray, int, NameHash>; // ASCII-lowercased name -> line

    // The first occurrence of a section; later copies of it are never searched.
    struct Section {
        int header = 0; // line of the header
        int end = 0;    // the next header line, or the number of lines
        // Made when the section is first searched (a fill reads one section of a large kit),
        // so even const reads are for one thread at a time.
        mutable std::optional<NameIndex> keys; // first occurrence of each key
        mutable int lastKey = 0;               // last key line, or the header when there is none
    };

    void load(const QByteArray& bytes);
    void index();
    const Section* findSection(const QString& section) const;
    const NameIndex& keysOf(const Section& section) const;
    int findKey(const Section& section, const QString& key) const; // line, -1 if none
    // A section or key argument as the index holds it; none when the file's encoding cannot hold it.
    std::optional<QByteArray> nameKey(const QString& name) const;
    QString decode(QByteArrayView bytes) const;
    std::optional<QByteArray> encode(const QString& text) const;
    QByteArray encodeForWrite(const QString& text) const; // throws when the text cannot be stored
    void insertLine(int at, const QByteArray& raw);

    QString path_;
    bool exists_ = false;
    bool cp1251_ = false;       // read and written as Windows-1251 (see cluesOf in IniFile.cpp)
    bool bom_ = false;          // the file starts with a UTF-8 byte-order mark, kept on save
    bool utf16_ = false;        // UTF-16LE with its mark on disk; the lines hold it as UTF-8
    bool damaged_ = false;      // UTF-16 that does not decode: read as far as it goes, never written
    QByteArray newline_ = "\n"; // line ending used for lines this program adds
    std::vector<Line> lines_;
    std::vector<Section> sections_;
    std::unordered_map<QByteArray, int, NameHash> sectionIndex_; // lowercased name -> index into sections_
};

} // namespace sarvel
