#pragma once
// The settings file: an INI text in UTF-8 (a UTF-8 byte-order mark is accepted), "[Name]"
// lines opening sections and "Key=Value" lines inside them. Section and key names match
// without regard to letter case; names and values are read trimmed. Lines that are neither
// (comments, blank or unreadable lines) are kept as they are through every write.
//
// Nothing is cached: each read parses the file as it is on disk. Each write takes a lock
// file beside the settings file, reads the file again, changes one key and replaces the file
// atomically, so two programs writing different keys at the same time lose neither.

#include <QString>
#include <QStringList>
#include <QStringView>

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
    // Raises Exception "Unable to write to <file>" and leaves the old file intact when the
    // file cannot be written.
    void WriteString(QStringView section, QStringView key, QStringView value) const;

    const QString& FileName() const { return FFileName; }

private:
    QString FFileName;
};
