#include "Exception.h"
#include "SiteHtml.h"
#include "TextFile.h"

namespace {

constexpr qsizetype kBufferSize = 1 << 16;

} // namespace

void AppendUtf8(QByteArray& out, QStringView text) {
    const qsizetype at = out.size();
    out.resize(at + text.size());
    char* bytes = out.data() + at;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80) {
            out.truncate(at + i);
            out += text.sliced(i).toUtf8();
            return;
        }
        bytes[i] = char(c);
    }
}

void AppendEscapedUtf8(QByteArray& out, QStringView text) {
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
    FBuffer.reserve(2 * kBufferSize);
}

TSitePageWriter& TSitePageWriter::operator<<(QLatin1StringView markup) {
    FBuffer.append(markup.data(), markup.size());
    FlushWhenFull();
    return *this;
}

TSitePageWriter& TSitePageWriter::operator<<(QStringView text) {
    AppendUtf8(FBuffer, text);
    FlushWhenFull();
    return *this;
}

TSitePageWriter& TSitePageWriter::operator<<(const QByteArray& utf8) {
    FBuffer += utf8;
    FlushWhenFull();
    return *this;
}

TSitePageWriter& TSitePageWriter::operator<<(int number) {
    FBuffer += QByteArray::number(number);
    FlushWhenFull();
    return *this;
}

TSitePageWriter& TSitePageWriter::Escaped(QStringView text) {
    AppendEscapedUtf8(FBuffer, text);
    FlushWhenFull();
    return *this;
}

void TSitePageWriter::FlushWhenFull() {
    if (FBuffer.size() >= kBufferSize)
        Flush();
}

void TSitePageWriter::Flush() {
    QIODevice& device = FTarget.Open();
    if (device.write(FBuffer) != FBuffer.size())
        throw Exception(CannotWriteMessage(FTarget.Name(), device.errorString()));
    FBuffer.resize(0);
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
