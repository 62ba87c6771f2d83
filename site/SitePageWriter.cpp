#include "Exception.h"
#include "SiteHtml.h"
#include "TextFile.h"

#include <charconv>

namespace {

constexpr qsizetype kBufferSize = 1 << 16;

} // namespace

void AppendUtf8(std::string& out, QStringView text) {
    const size_t at = out.size();
    out.resize(at + size_t(text.size()));
    char* bytes = out.data() + at;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80) {
            out.resize(at + size_t(i));
            const QByteArray rest = text.sliced(i).toUtf8();
            out.append(rest.constData(), size_t(rest.size()));
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
