#include "IniStore.h"

#include "Exception.h"
#include "FolderFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

// A name or value as text. A leading U+FEFF belongs to it (the file's own byte-order mark is
// gone before lines are read), so a value written with one reads back with it.
QString Utf8Text(QByteArrayView bytes) {
    return QStringDecoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom)(bytes);
}

// How long a write waits for another program that holds the lock; a lock left behind by
// a program that died is taken over at once.
constexpr int LockWaitMs = 30000;

constexpr QByteArrayView Utf8Bom("\xEF\xBB\xBF");

// Trimming on the bytes: every byte of code 32 or less is a character of code 32 or less,
// and no byte of a longer UTF-8 sequence is one.
bool Blank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

void TrimBytes(const char* data, qsizetype& begin, qsizetype& end) {
    while (begin < end && Blank(data[begin]))
        ++begin;
    while (end > begin && Blank(data[end - 1]))
        --end;
}

bool IsAscii(QByteArrayView bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Whether the UTF-8 name `bytes` is `name` letter case aside; ASCII names are compared
// without decoding, which keeps lookups in a huge file cheap.
bool SameName(QByteArrayView bytes, QStringView name) {
    const bool asciiName =
        std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (asciiName && IsAscii(bytes)) {
        if (name.size() != bytes.size())
            return false;
        for (qsizetype i = 0; i < bytes.size(); ++i)
            if (AsciiLower(bytes[i]) != AsciiLower(char(name[i].unicode())))
                return false;
        return true;
    }
    return Utf8Text(bytes).compare(name, Qt::CaseInsensitive) == 0;
}

size_t AsciiCaseHash(std::string_view s) {
    size_t h = 1469598103934665603ull;
    for (char c : s)
        h = (h ^ static_cast<unsigned char>(AsciiLower(c))) * 1099511628211ull;
    return h ^ (h >> 29);
}

bool AsciiCaseEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

// A set of names compared with ASCII letter case ignored, open addressing over a flat
// table whose slots carry part of the hash, so that a section of millions of keys costs
// about one memory access per key.
class NameSet {
public:
    explicit NameSet(size_t most) {
        size_t capacity = 16;
        while (capacity < 2 * most)
            capacity *= 2;
        FSlots.assign(capacity, 0);
        FNames.reserve(most);
    }

    // Adds `name`; false when an equal name is there already.
    bool Insert(std::string_view name) {
        const size_t hash = AsciiCaseHash(name);
        const uint64_t tag = uint64_t(uint32_t(hash >> 32)) << 32;
        const size_t mask = FSlots.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            const uint64_t slot = FSlots[i];
            if (slot == 0) {
                FNames.push_back(name);
                FSlots[i] = tag | uint64_t(FNames.size()); // the name's index + 1
                return true;
            }
            if ((slot & ~uint64_t(0xFFFFFFFF)) == tag &&
                AsciiCaseEqual(FNames[size_t(slot & 0xFFFFFFFF) - 1], name))
                return false;
        }
    }

private:
    std::vector<uint64_t> FSlots; // 0 for a free slot
    std::vector<std::string_view> FNames;
};

[[noreturn]] void RaiseUnableToWrite(const QString& fileName, const QString& reason) {
    throw Exception(QStringLiteral("Unable to write to %1 (%2)").arg(fileName, reason));
}

// The current bytes of a file about to be rewritten; raises when an existing file cannot
// be read, since rewriting it would lose its content. A FIFO or a device is never read.
QByteArray ReadForRewrite(const QString& fileName) {
    QByteArray bytes;
    QString reason;
    if (!ReadRegularFile(fileName, bytes, reason) && QFileInfo::exists(fileName))
        RaiseUnableToWrite(fileName, reason);
    return bytes;
}

// Runs `change` on the file's current text under the lock and replaces the file with the
// result.
void Rewrite(const QString& fileName, const std::function<QByteArray(const IniContents&)>& change) {
    QLockFile lock(fileName + QStringLiteral(".lock"));
    errno = 0;
    if (!lock.tryLock(LockWaitMs))
        RaiseUnableToWrite(fileName, lock.error() == QLockFile::LockFailedError
                                         ? QStringLiteral("файл занят другой программой")
                                         : SystemReason(errno != 0 ? errno : EACCES));
    const QByteArray bytes = change(IniContents(ReadForRewrite(fileName)));
    QString reason;
    if (!ReplaceFile(fileName, bytes, reason))
        RaiseUnableToWrite(fileName, reason);
}

// A UTF-8 name in the form two names equal letter case aside share.
std::string FoldedName(QByteArrayView name) {
    if (IsAscii(name)) {
        std::string folded(name.data(), size_t(name.size()));
        for (char& c : folded)
            c = AsciiLower(c);
        return folded;
    }
    const QByteArray folded = Utf8Text(name).toCaseFolded().toUtf8();
    return std::string(folded.constData(), size_t(folded.size()));
}

QByteArray OneLine(QStringView text) {
    QString flat = text.toString();
    flat.replace(u'\r', u' ').replace(u'\n', u' ');
    return flat.toUtf8();
}

} // namespace

IniContents::IniContents(QByteArray bytes) : FBytes(std::move(bytes)) {
    const char* data = FBytes.constData();
    const qsizetype size = FBytes.size();
    FLines.reserve(FBytes.count('\n') + 1);
    qsizetype pos = FBytes.startsWith(Utf8Bom) ? Utf8Bom.size() : 0;
    while (pos < size) {
        Line line;
        line.begin = pos;
        qsizetype end = pos;
        while (end < size && data[end] != '\r' && data[end] != '\n')
            ++end;
        line.length = end - pos;
        if (end < size)
            line.breakLength = data[end] == '\r' && end + 1 < size && data[end + 1] == '\n' ? 2 : 1;

        qsizetype b = pos, e = end;
        TrimBytes(data, b, e);
        if (b < e && data[b] == '[') {
            const char* close = static_cast<const char*>(std::memchr(data + b + 1, ']', e - b - 1));
            if (close) {
                qsizetype nb = b + 1, ne = close - data;
                TrimBytes(data, nb, ne);
                line.kind = Kind::Section;
                line.nameBegin = nb;
                line.nameLength = ne - nb;
            }
        } else if (b < e && data[b] != ';' && data[b] != '#') {
            if (const char* eq = static_cast<const char*>(std::memchr(data + b, '=', e - b))) {
                qsizetype nb = b, ne = eq - data;
                TrimBytes(data, nb, ne);
                qsizetype vb = eq - data + 1, ve = e;
                TrimBytes(data, vb, ve);
                if (ne > nb) {
                    line.kind = Kind::Key;
                    line.nameBegin = nb;
                    line.nameLength = ne - nb;
                    line.valueBegin = vb;
                    line.valueLength = ve - vb;
                }
            }
        }
        FLines.push_back(line);
        pos = end + line.breakLength;
    }
}

IniContents IniContents::Read(const QString& fileName, bool* readable) {
    if (readable)
        *readable = true;
    const QFileInfo info(fileName);
    if (!info.exists() && !info.isSymLink())
        return {};
    // A FIFO or a device in its place is not waited on.
    QByteArray bytes;
    QString reason;
    if (ReadRegularFile(fileName, bytes, reason))
        return IniContents(std::move(bytes));
    if (readable)
        *readable = false;
    return {};
}

QString IniContents::Name(const Line& line) const {
    return Utf8Text(QByteArrayView(FBytes).sliced(line.nameBegin, line.nameLength));
}

QString IniContents::ValueOf(const Line& line) const {
    return Utf8Text(QByteArrayView(FBytes).sliced(line.valueBegin, line.valueLength));
}

qsizetype IniContents::FirstHeader(QStringView section) const {
    for (qsizetype i = 0; i < qsizetype(FLines.size()); ++i) {
        const Line& line = FLines[i];
        if (line.kind == Kind::Section &&
            SameName(QByteArrayView(FBytes).sliced(line.nameBegin, line.nameLength), section))
            return i;
    }
    return -1;
}

std::pair<qsizetype, qsizetype> IniContents::Body(qsizetype header) const {
    qsizetype end = header + 1;
    while (end < qsizetype(FLines.size()) && FLines[end].kind != Kind::Section)
        ++end;
    return {header + 1, end};
}

const IniContents::Line* IniContents::FindKey(QStringView section, QStringView key) const {
    const qsizetype header = FirstHeader(section);
    if (header < 0)
        return nullptr;
    const auto [first, end] = Body(header);
    for (qsizetype i = first; i < end; ++i) {
        const Line& line = FLines[i];
        if (line.kind == Kind::Key &&
            SameName(QByteArrayView(FBytes).sliced(line.nameBegin, line.nameLength), key))
            return &line;
    }
    return nullptr;
}

std::optional<QString> IniContents::Value(QStringView section, QStringView key) const {
    if (const Line* line = FindKey(section, key))
        return ValueOf(*line);
    return std::nullopt;
}

void IniContents::ForEachKey(QStringView section,
                             const std::function<void(QByteArrayView, QByteArrayView)>& f) const {
    const qsizetype header = FirstHeader(section);
    if (header < 0)
        return;
    // Names seen so far, letter case aside: ASCII names as they stand in the file, others
    // case-folded into `folded`; both compared with ASCII letter case ignored.
    const auto [first, end] = Body(header);
    std::deque<QByteArray> folded;
    NameSet seen(size_t(end - first));
    for (qsizetype i = first; i < end; ++i) {
        const Line& line = FLines[i];
        if (line.kind != Kind::Key)
            continue;
        const QByteArrayView name = QByteArrayView(FBytes).sliced(line.nameBegin, line.nameLength);
        std::string_view key(name.data(), size_t(name.size()));
        if (!IsAscii(name)) {
            folded.push_back(Utf8Text(name).toCaseFolded().toUtf8());
            key = std::string_view(folded.back().constData(), size_t(folded.back().size()));
        }
        if (seen.Insert(key))
            f(name, QByteArrayView(FBytes).sliced(line.valueBegin, line.valueLength));
    }
}

QByteArray IniContents::FirstLineBreak() const {
    for (const Line& line : FLines)
        if (line.breakLength > 0)
            return FBytes.mid(line.begin + line.length, line.breakLength);
    return QByteArrayLiteral("\n");
}

QByteArray IniContents::WithKey(QStringView section, QStringView key, QStringView value) const {
    QByteArray bytes = FBytes;
    const QByteArray keyText = '=' + OneLine(value);
    if (const Line* found = FindKey(section, key)) {
        bytes.replace(found->begin, found->length, OneLine(Name(*found)) + keyText);
        return bytes;
    }
    const QByteArray lineBreak = FirstLineBreak();
    const QByteArray keyLine = OneLine(key) + keyText;
    const qsizetype header = FirstHeader(section);
    if (header >= 0) {
        qsizetype last = header;
        const auto [first, end] = Body(header);
        for (qsizetype i = first; i < end; ++i)
            if (FLines[i].kind == Kind::Key)
                last = i;
        // The new key becomes a line of its own after line `last`.
        const Line& after = FLines[last];
        const qsizetype pos = after.begin + after.length + after.breakLength;
        if (after.breakLength == 0)
            bytes.insert(pos, lineBreak + keyLine);
        else
            bytes.insert(pos, keyLine + lineBreak);
        return bytes;
    }
    if (!FLines.empty() && FLines.back().breakLength == 0)
        bytes += lineBreak;
    bytes += '[' + OneLine(section) + ']' + lineBreak + keyLine + lineBreak;
    return bytes;
}

// The key name a reading finds in a line written as a new key; empty when it reads none.
QByteArray IniContents::NewKeyName(const QByteArray& line) {
    const qsizetype eq = line.indexOf('=');
    const QByteArrayView name = QByteArrayView(line).first(eq < 0 ? 0 : eq);
    if (!name.isEmpty() && !Blank(name.front()) && !Blank(name.back()) && name.front() != ';' &&
        name.front() != '#' && name.front() != '[')
        return name.toByteArray(); // the usual name, read as it stands
    const IniContents parsed(line);
    if (parsed.FLines.empty() || parsed.FLines[0].kind != Kind::Key)
        return {};
    return parsed.FBytes.mid(parsed.FLines[0].nameBegin, parsed.FLines[0].nameLength);
}

QByteArray IniContents::WithKeys(QStringView section,
                                 const std::vector<std::pair<QString, QString>>& keys) const {
    // Where each key name stands, letter case aside: an existing line (>= 0) or a new line
    // of the block (-1 - index). Names are matched as the file's reading trims them.
    std::unordered_map<std::string, qsizetype> where;
    where.reserve(keys.size() + FLines.size());
    std::vector<QByteArray> replaced(FLines.size()); // an existing line's new text
    std::vector<bool> isReplaced(FLines.size());
    std::vector<QByteArray> added;
    const qsizetype header = FirstHeader(section);
    qsizetype anchor = header; // the new keys go after this line
    if (header >= 0) {
        const auto [first, end] = Body(header);
        for (qsizetype i = first; i < end; ++i)
            if (const Line& line = FLines[size_t(i)]; line.kind == Kind::Key) {
                where.try_emplace(
                    FoldedName(QByteArrayView(FBytes).sliced(line.nameBegin, line.nameLength)), i);
                anchor = i;
            }
    }
    for (const auto& [key, value] : keys) {
        const QByteArray keyText = '=' + OneLine(value);
        const auto found = where.find(FoldedName(key.toUtf8()));
        if (found != where.end() && found->second >= 0) {
            const Line& line = FLines[size_t(found->second)];
            replaced[size_t(found->second)] = OneLine(Name(line)) + keyText;
            isReplaced[size_t(found->second)] = true;
        } else if (found != where.end()) {
            QByteArray& line = added[size_t(-1 - found->second)];
            line = NewKeyName(line) + keyText;
        } else {
            added.push_back(OneLine(key) + keyText);
            // The name as a later reading of the line finds it.
            const QByteArray name = NewKeyName(added.back());
            if (!name.isEmpty())
                where.try_emplace(FoldedName(name), -qsizetype(added.size()));
        }
    }

    const QByteArray lineBreak = FirstLineBreak();
    QByteArray bytes;
    bytes.reserve(FBytes.size() + FBytes.size() / 8 + 64 * qsizetype(added.size()));
    if (FBytes.startsWith(Utf8Bom))
        bytes += Utf8Bom;
    const auto addBlock = [&](bool breakFirst) {
        for (const QByteArray& line : added)
            bytes += breakFirst ? lineBreak + line : line + lineBreak;
    };
    for (qsizetype i = 0; i < qsizetype(FLines.size()); ++i) {
        const Line& line = FLines[size_t(i)];
        if (isReplaced[size_t(i)])
            bytes += replaced[size_t(i)];
        else
            bytes += QByteArrayView(FBytes).sliced(line.begin, line.length);
        bytes += QByteArrayView(FBytes).sliced(line.begin + line.length, line.breakLength);
        if (i == anchor)
            addBlock(line.breakLength == 0);
    }
    if (header < 0 && !added.empty()) {
        if (!FLines.empty() && FLines.back().breakLength == 0)
            bytes += lineBreak;
        bytes += '[' + OneLine(section) + ']' + lineBreak;
        addBlock(false);
    }
    return bytes;
}

QString IniStore::ReadString(QStringView section, QStringView key, const QString& def) const {
    return IniContents::Read(FFileName).Value(section, key).value_or(def);
}

QStringList IniStore::ReadSectionKeys(QStringView section) const {
    QStringList keys;
    IniContents::Read(FFileName).ForEachKey(
        section, [&keys](QByteArrayView name, QByteArrayView) { keys.append(Utf8Text(name)); });
    return keys;
}

void IniStore::WriteString(QStringView section, QStringView key, QStringView value) const {
    Rewrite(FFileName,
            [&](const IniContents& contents) { return contents.WithKey(section, key, value); });
}

void IniStore::WriteSection(QStringView section,
                            const std::vector<std::pair<QString, QString>>& keys) const {
    if (keys.empty())
        return;
    Rewrite(FFileName,
            [&](const IniContents& contents) { return contents.WithKeys(section, keys); });
}
