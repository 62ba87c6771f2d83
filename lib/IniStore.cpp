#include "IniStore.h"

#include "Exception.h"
#include "Trim.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>

#include <vector>

namespace {

// How long a write waits for another program that holds the lock; a lock left behind by
// a program that died is taken over at once.
constexpr int LockWaitMs = 30000;

constexpr QByteArrayView Utf8Bom("\xEF\xBB\xBF");

enum class LineKind { Other, Section, Key };

struct IniLine {
    qsizetype begin = 0;       // byte offset of the line's text
    qsizetype length = 0;      // bytes of text, without the line break
    qsizetype breakLength = 0; // 0 only for a last line without a break
    LineKind kind = LineKind::Other;
    QString name; // the section's name for a header, the key's for a key line
    QString value;
    qsizetype header = -1; // for a key line: index of its section's header, -1 before any
};

void Classify(IniLine& line, QStringView text) {
    const QStringView t = TrimView(text);
    if (t.startsWith(u'[')) {
        const qsizetype close = t.indexOf(u']');
        if (close > 0) {
            line.kind = LineKind::Section;
            line.name = Trim(t.sliced(1, close - 1));
        }
        return;
    }
    if (t.startsWith(u';') || t.startsWith(u'#'))
        return;
    const qsizetype eq = t.indexOf(u'=');
    if (eq < 0)
        return;
    line.name = Trim(t.first(eq));
    if (line.name.isEmpty())
        return;
    line.kind = LineKind::Key;
    line.value = Trim(t.sliced(eq + 1));
}

std::vector<IniLine> ParseLines(const QByteArray& bytes) {
    std::vector<IniLine> lines;
    const qsizetype size = bytes.size();
    qsizetype pos = bytes.startsWith(Utf8Bom) ? Utf8Bom.size() : 0;
    qsizetype header = -1;
    while (pos < size) {
        IniLine line;
        line.begin = pos;
        qsizetype end = pos;
        while (end < size && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        line.length = end - pos;
        if (end < size)
            line.breakLength =
                bytes[end] == '\r' && end + 1 < size && bytes[end + 1] == '\n' ? 2 : 1;
        Classify(line, QString::fromUtf8(QByteArrayView(bytes).sliced(pos, line.length)));
        if (line.kind == LineKind::Section)
            header = static_cast<qsizetype>(lines.size());
        else if (line.kind == LineKind::Key)
            line.header = header;
        lines.push_back(std::move(line));
        pos = end + lines.back().breakLength;
    }
    return lines;
}

bool SameName(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool InSection(const std::vector<IniLine>& lines, const IniLine& line, QStringView section) {
    return line.kind == LineKind::Key && line.header >= 0 &&
           SameName(lines[line.header].name, section);
}

const IniLine* FindKey(const std::vector<IniLine>& lines, QStringView section, QStringView key) {
    for (const IniLine& line : lines)
        if (InSection(lines, line, section) && SameName(line.name, key))
            return &line;
    return nullptr;
}

// The file's bytes; empty when it is missing or cannot be read.
QByteArray ReadForLookup(const QString& fileName) {
    QFile file(fileName);
    if (QFileInfo(fileName).isDir() || !file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

[[noreturn]] void RaiseUnableToWrite(const QString& fileName) {
    throw Exception(QStringLiteral("Unable to write to %1").arg(fileName));
}

// The current bytes of a file about to be rewritten; raises when an existing file cannot
// be read, since rewriting it would lose its content.
QByteArray ReadForRewrite(const QString& fileName) {
    const QFileInfo info(fileName);
    if (!info.exists())
        return {};
    QFile file(fileName);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        RaiseUnableToWrite(fileName);
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        RaiseUnableToWrite(fileName);
    return bytes;
}

QByteArray FirstLineBreak(const QByteArray& bytes, const std::vector<IniLine>& lines) {
    for (const IniLine& line : lines)
        if (line.breakLength > 0)
            return bytes.mid(line.begin + line.length, line.breakLength);
    return QByteArrayLiteral("\n");
}

QByteArray OneLine(QStringView text) {
    QString flat = text.toString();
    flat.replace(u'\r', u' ').replace(u'\n', u' ');
    return flat.toUtf8();
}

// Inserts `text` as a line of its own after line `after`.
void InsertLineAfter(QByteArray& bytes, const IniLine& after, const QByteArray& text,
                     const QByteArray& lineBreak) {
    const qsizetype pos = after.begin + after.length + after.breakLength;
    if (after.breakLength == 0)
        bytes.insert(pos, lineBreak + text);
    else
        bytes.insert(pos, text + lineBreak);
}

QByteArray WithKey(QByteArray bytes, QStringView section, QStringView key, QStringView value) {
    const std::vector<IniLine> lines = ParseLines(bytes);
    if (const IniLine* found = FindKey(lines, section, key)) {
        bytes.replace(found->begin, found->length, OneLine(found->name) + '=' + OneLine(value));
        return bytes;
    }
    const QByteArray lineBreak = FirstLineBreak(bytes, lines);
    const QByteArray keyLine = OneLine(key) + '=' + OneLine(value);
    qsizetype header = -1;
    for (qsizetype i = 0; i < static_cast<qsizetype>(lines.size()) && header < 0; ++i)
        if (lines[i].kind == LineKind::Section && SameName(lines[i].name, section))
            header = i;
    if (header >= 0) {
        qsizetype last = header;
        for (qsizetype i = header + 1; i < static_cast<qsizetype>(lines.size()); ++i)
            if (lines[i].kind == LineKind::Key && lines[i].header == header)
                last = i;
        InsertLineAfter(bytes, lines[last], keyLine, lineBreak);
        return bytes;
    }
    if (!lines.empty() && lines.back().breakLength == 0)
        bytes += lineBreak;
    bytes += '[' + OneLine(section) + ']' + lineBreak + keyLine + lineBreak;
    return bytes;
}

} // namespace

QString IniStore::ReadString(QStringView section, QStringView key, const QString& def) const {
    const std::vector<IniLine> lines = ParseLines(ReadForLookup(FFileName));
    const IniLine* found = FindKey(lines, section, key);
    return found ? found->value : def;
}

QStringList IniStore::ReadSectionKeys(QStringView section) const {
    const std::vector<IniLine> lines = ParseLines(ReadForLookup(FFileName));
    QStringList keys;
    for (const IniLine& line : lines)
        if (InSection(lines, line, section) && !keys.contains(line.name, Qt::CaseInsensitive))
            keys.append(line.name);
    return keys;
}

void IniStore::WriteString(QStringView section, QStringView key, QStringView value) const {
    QLockFile lock(FFileName + QStringLiteral(".lock"));
    if (!lock.tryLock(LockWaitMs))
        RaiseUnableToWrite(FFileName);
    const QByteArray bytes = WithKey(ReadForRewrite(FFileName), section, key, value);
    QSaveFile file(FFileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        RaiseUnableToWrite(FFileName);
}
