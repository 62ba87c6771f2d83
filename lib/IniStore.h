#pragma once
// The settings file: an INI text in UTF-8 (a UTF-8 byte-order mark is accepted), "[Name]"
// lines opening sections and "Key=Value" lines inside them. Section and key names match
// without regard to letter case; names and values are read trimmed. A section named twice
// is the first of its headers: keys under a later header of the same name are neither read
// nor written. Lines that are neither (comments, blank or unreadable lines) are kept as they
// are through every write.
//
// Nothing is cached between calls: each read parses the file as it is on disk, once. Each
// write takes a lock file beside the settings file, reads the file again, changes its keys and
// replaces the file atomically, so two programs writing different keys at the same time lose
// neither.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

// One reading of a settings file, parsed once; lookups do not touch the disk again. Names
// are decoded only when a lookup needs them, so a huge file costs one scan of its bytes.
class IniContents {
public:
    IniContents() = default;
    explicit IniContents(QByteArray bytes);

    // The file as it is now; empty when it is missing or cannot be read. `readable`, when
    // given, is false when the file exists but cannot be read (a folder, a read error).
    static IniContents Read(const QString& fileName, bool* readable = nullptr);

    // The trimmed value of `key` in `section`; nothing when the section or the key is
    // missing. The first of several equal keys counts.
    std::optional<QString> Value(QStringView section, QStringView key) const;

    // Calls `f` with the UTF-8 name and value of each key of `section` in file order, each
    // key once (its first line), spelled as in the file, with the value that Value gives.
    void ForEachKey(QStringView section,
                    const std::function<void(QByteArrayView name, QByteArrayView value)>& f) const;

    // `bytes`'s text with `key` of `section` set to `value`: see IniStore::WriteString.
    QByteArray WithKey(QStringView section, QStringView key, QStringView value) const;
    // The text that setting each key in turn with WithKey gives, made in one pass.
    QByteArray WithKeys(QStringView section,
                        const std::vector<std::pair<QString, QString>>& keys) const;

private:
    enum class Kind : unsigned char { Other, Section, Key };
    struct Line {
        qsizetype begin = 0;     // byte offset of the line's text
        qsizetype length = 0;    // bytes of text, without the line break
        qsizetype nameBegin = 0; // the trimmed section or key name
        qsizetype nameLength = 0;
        qsizetype valueBegin = 0; // the trimmed value of a key line
        qsizetype valueLength = 0;
        unsigned char breakLength = 0; // 0 only for a last line without a break
        Kind kind = Kind::Other;
    };

    QString Name(const Line& line) const;
    QString ValueOf(const Line& line) const;
    // Index of the first header of `section`, or -1.
    qsizetype FirstHeader(QStringView section) const;
    // The lines after header `header` up to the next header: [first, end).
    std::pair<qsizetype, qsizetype> Body(qsizetype header) const;
    const Line* FindKey(QStringView section, QStringView key) const;
    QByteArray FirstLineBreak() const;
    static QByteArray NewKeyName(const QByteArray& line);

    QByteArray FBytes;
    std::vector<Line> FLines;
};

class IniStore {
public:
    explicit IniStore(QString fileName) : FFileName(std::move(fileName)) {}

    // The trimmed value of `key` in `section`; `def` when the file, the section or the key
    // is missing. The first of several equal keys counts.
    QString ReadString(QStringView section, QStringView key, const QString& def) const;

    // The key names of `section` in file order, each once, spelled as in the file.
    QStringList ReadSectionKeys(QStringView section) const;

    // Sets `key` of `section` to `value`, creating the file, the section and the key as
    // needed; a new key goes after the last key of its section, a new section at the end.
    // Line breaks inside the names or the value become blanks, so a write never adds a line.
    // Raises Exception "Unable to write to <file> (<reason>)" and leaves the old file intact
    // when the file cannot be written. A link to a regular file is written through and kept;
    // a folder, FIFO or device at the name is never written into.
    void WriteString(QStringView section, QStringView key, QStringView value) const;
    // Sets every key of `keys` in turn as WriteString would, reading and replacing the file
    // once; a failure leaves the file as it was.
    void WriteSection(QStringView section,
                      const std::vector<std::pair<QString, QString>>& keys) const;

    const QString& FileName() const { return FFileName; }

private:
    QString FFileName;
};
