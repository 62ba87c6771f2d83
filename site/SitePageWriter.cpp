#include "Exception.h"
#include "FindFirst.h"
#include "SiteHtml.h"
#include "TextFile.h"
#include "XrefMarks.h"

#include <cstring>

namespace {

// The characters from `i` on, above ASCII too; a lone half of a surrogate pair as Qt writes it.
void AppendUtf8From(std::string& out, QStringView text, qsizetype i) {
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | c >> 6);
            out += char(0x80 | (c & 0x3F));
        } else if (!QChar::isSurrogate(c)) {
            out += char(0xE0 | c >> 12);
            out += char(0x80 | (c >> 6 & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
                   text[i + 1].isLowSurrogate()) {
            const char32_t u = QChar::surrogateToUcs4(c, text[i + 1].unicode());
            out += char(0xF0 | u >> 18);
            out += char(0x80 | (u >> 12 & 0x3F));
            out += char(0x80 | (u >> 6 & 0x3F));
            out += char(0x80 | (u & 0x3F));
            ++i;
        } else {
            const QByteArray half = text.sliced(i, 1).toUtf8();
            out.append(half.constData(), size_t(half.size()));
        }
    }
}

// The characters HTML escapes, all below 64.
constexpr quint64 kEscaped = 1ull << '"' | 1ull << '&' | 1ull << '<' | 1ull << '>';

std::string_view EntityOf(char c) {
    return c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : "&quot;";
}

// Copies the characters of `text` up to the first that is above ASCII or to be escaped,
// narrowed, to `out`, which has room for all; returns how many.
qsizetype CopyPlainAscii(char* out, QStringView text) {
    const char16_t* s = text.utf16();
    qsizetype i = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = s[i];
        if (c >= 0x80 || (c < 64 && kEscaped >> c & 1))
            break;
        out[i] = char(c);
    }
    return i;
}

} // namespace

void AppendUtf8(std::string& out, QStringView text) {
    const size_t at = out.size();
    out.resize(at + size_t(text.size()));
    char* bytes = out.data() + at;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80) {
            out.resize(at + size_t(i));
            AppendUtf8From(out, text, i);
            return;
        }
        bytes[i] = char(c);
    }
}

// Most texts are ASCII with nothing to escape: copied in one pass, the rest escaped run by
// run from the first character that is not.
void AppendEscapedUtf8(std::string& out, QStringView text) {
    if (AppendPlainAscii(out, text))
        return;
    const char16_t* s = text.utf16();
    const qsizetype n = text.size();
    const size_t at = out.size();
    out.resize(at + size_t(n));
    qsizetype i = CopyPlainAscii(out.data() + at, text);
    out.resize(at + size_t(i));
    while (i < n) {
        if (s[i] < 0x80) {
            out += EntityOf(char(s[i]));
            ++i;
        }
        // Up to the next character to escape: a surrogate pair is never cut.
        qsizetype end = i;
        while (end < n && (s[end] >= 64 || !(kEscaped >> s[end] & 1)))
            ++end;
        AppendUtf8(out, text.sliced(i, end - i));
        i = end;
    }
}

// The lines that have a character to escape have one or two: the runs between are copied whole.
char* EscapeAscii(char* to, std::string_view text) {
    const char* s = text.data();
    for (size_t i = 0;;) {
        const size_t next = FindFirst(
            s, i, text.size(), [](char c) { return c < 64 && c >= 0 && kEscaped >> c & 1; },
            [s](size_t at) {
#ifdef __SSE2__
                return BytesAmong<'<', '>', '&', '"'>(s + at);
#else
                return at;
#endif
            });
        to = std::copy(s + i, s + next, to);
        if (next == text.size())
            return to;
        const std::string_view entity = EntityOf(s[next]);
        to = std::copy(entity.begin(), entity.end(), to);
        i = next + 1;
    }
}

// Sixteen bytes at a time, each block stored as it is checked, the last sixteen overlapping
// the ones before: the lines are short, and a loop left to the compiler spent more on its
// remainder than on its vectors.
bool CopyIfPlainAscii(char* to, std::string_view text) {
    typedef unsigned char TBlock __attribute__((vector_size(16)));
    constexpr size_t kBytes = sizeof(TBlock);
    TBlock bad = {};
    const auto copy = [&bad](char* at, const char* from) {
        TBlock bytes;
        std::memcpy(&bytes, from, sizeof bytes);
        bad |= (bytes & 0x80) | TBlock(bytes == '"') | TBlock(bytes == '&') | TBlock(bytes == '<') |
               TBlock(bytes == '>');
        std::memcpy(at, &bytes, sizeof bytes);
    };
    const size_t size = text.size();
    if (size < kBytes) {
        char block[kBytes] = {};
        std::copy(text.begin(), text.end(), block);
        copy(to, block);
    } else {
        for (size_t i = 0; i + kBytes < size; i += kBytes)
            copy(to + i, text.data() + i);
        copy(to + size - kBytes, text.data() + size - kBytes);
    }
    quint64 halves[2];
    std::memcpy(halves, &bad, sizeof halves);
    return (halves[0] | halves[1]) == 0;
}

TSitePageWriter::TSitePageWriter(const QString& path) : FTarget(path) {}

TSitePageWriter::TSitePageWriter(const QString& path, TPagePlace place, TPageBatch& batch)
    : FTarget(path, std::move(place), &batch) {}

TSitePageWriter& TSitePageWriter::operator<<(QStringView text) {
    FText.clear();
    AppendUtf8(FText, text);
    return *this << FText;
}

TSitePageWriter& TSitePageWriter::Escaped(QStringView text) {
    FText.clear();
    AppendEscapedUtf8(FText, text);
    return *this << FText;
}

// The buffer is filled to the brim before it is written: the page is written in whole blocks,
// each filling whole pages of the file system's cache rather than parts of two.
TSitePageWriter& TSitePageWriter::Spill(std::string_view utf8) {
    while (utf8.size() > kBufferSize - FSize) {
        const size_t part = kBufferSize - FSize;
        std::copy_n(utf8.begin(), part, FBuffer.get() + FSize);
        FSize = kBufferSize;
        utf8.remove_prefix(part);
        Flush();
    }
    return *this << utf8;
}

void TSitePageWriter::Flush() {
    QIODevice& device = FTarget.Open();
    if (device.write(FBuffer.get(), qint64(FSize)) != qint64(FSize))
        throw Exception(CannotWriteMessage(FTarget.Name(), device.errorString()));
    FSize = 0;
}

void TSitePageWriter::Commit() {
    Flush();
    FTarget.Commit();
}

void WriteSitePage(const QString& path, const QString& html) {
    TSitePageWriter page(path);
    page << html;
    page.Commit();
}
