#include "Exception.h"
#include "SiteHtml.h"
#include "TextFile.h"

#include <charconv>

namespace {

constexpr qsizetype kBufferSize = 1 << 16;

} // namespace

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

void AppendEscapedUtf8(std::string& out, QStringView text) {
    qsizetype run = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const char* entity = c == u'<'   ? "&lt;"
                             : c == u'>' ? "&gt;"
                             : c == u'&' ? "&amp;"
                             : c == u'"' ? "&quot;"
                                         : nullptr;
        if (!entity)
            continue;
        AppendUtf8(out, text.sliced(run, i - run));
        out += entity;
        run = i + 1;
    }
    AppendUtf8(out, text.sliced(run));
}

TSitePageWriter::TSitePageWriter(const QString& path) : FTarget(path) {
    FBuffer.reserve(2 * size_t(kBufferSize));
}

TSitePageWriter::TSitePageWriter(const QString& path, TPagePlace place, TPageBatch& batch)
    : FTarget(path, std::move(place), &batch) {
    FBuffer.reserve(2 * size_t(kBufferSize));
}

TSitePageWriter& TSitePageWriter::operator<<(QLatin1StringView markup) {
    FBuffer.append(markup.data(), size_t(markup.size()));
    FlushWhenFull();
    return *this;
}

TSitePageWriter& TSitePageWriter::operator<<(QStringView text) {
    AppendUtf8(FBuffer, text);
    FlushWhenFull();
    return *this;
}

TSitePageWriter& TSitePageWriter::operator<<(std::string_view utf8) {
    FBuffer += utf8;
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

void TSitePageWriter::FlushWhenFull() {
    if (FBuffer.size() >= size_t(kBufferSize))
        Flush();
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
