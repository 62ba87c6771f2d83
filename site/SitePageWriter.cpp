#include "Exception.h"
#include "SiteHtml.h"
#include "TextFile.h"

#include <charconv>

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

// ASCII characters, as they are.
void AppendAscii(std::string& out, const char16_t* text, qsizetype count) {
    const size_t at = out.size();
    out.resize(at + size_t(count));
    char* bytes = out.data() + at;
    for (qsizetype i = 0; i < count; ++i)
        bytes[i] = char(text[i]);
}

// The characters HTML escapes, all below 64.
constexpr quint64 kEscaped = 1ull << '"' | 1ull << '&' | 1ull << '<' | 1ull << '>';

const char* EntityOf(char c) {
    return c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : "&quot;";
}

} // namespace

void AppendUtf8(std::string& out, QStringView text) {
    const char16_t* s = text.utf16();
    qsizetype i = 0;
    while (i < text.size() && s[i] < 0x80)
        ++i;
    AppendAscii(out, s, i);
    AppendUtf8From(out, text, i);
}

// Runs of plain ASCII are scanned, then copied at once.
void AppendEscapedUtf8(std::string& out, QStringView text) {
    const char16_t* s = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        qsizetype end = i;
        while (end < n && s[end] < 0x80 && (s[end] >= 64 || !(kEscaped >> s[end] & 1)))
            ++end;
        AppendAscii(out, s + i, end - i);
        if (end == n)
            return;
        if (s[end] < 0x80) {
            out += EntityOf(char(s[end]));
            i = end + 1;
            continue;
        }
        // Up to the next ASCII character: a surrogate pair is never cut.
        i = end;
        while (end < n && s[end] >= 0x80)
            ++end;
        AppendUtf8From(out, text.first(end), i);
        i = end;
    }
}

void AppendEscapedAscii(std::string& out, std::string_view text) {
    size_t run = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c < 64 && c >= 0 && kEscaped >> c & 1) {
            out.append(text, run, i - run);
            out += EntityOf(c);
            run = i + 1;
        }
    }
    out.append(text, run);
}

TSitePageWriter::TSitePageWriter(const QString& path) : FTarget(path) {
    FBuffer.reserve(2 * kBufferSize);
}

TSitePageWriter::TSitePageWriter(const QString& path, TPagePlace place, TPageBatch& batch)
    : FTarget(path, std::move(place), &batch) {
    FBuffer.reserve(2 * kBufferSize);
}

TSitePageWriter& TSitePageWriter::operator<<(QStringView text) {
    AppendUtf8(FBuffer, text);
    FlushWhenFull();
    return *this;
}

TSitePageWriter& TSitePageWriter::operator<<(int number) {
    char digits[16];
    FBuffer.append(digits,
                   size_t(std::to_chars(digits, digits + sizeof digits, number).ptr - digits));
    FlushWhenFull();
    return *this;
}

TSitePageWriter& TSitePageWriter::Escaped(QStringView text) {
    AppendEscapedUtf8(FBuffer, text);
    FlushWhenFull();
    return *this;
}

void TSitePageWriter::Flush() {
    QIODevice& device = FTarget.Open();
    if (device.write(FBuffer.data(), qint64(FBuffer.size())) != qint64(FBuffer.size()))
        throw Exception(CannotWriteMessage(FTarget.Name(), device.errorString()));
    FBuffer.clear();
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
