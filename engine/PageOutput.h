#pragma once
// The bytes of a page on their way out, in the page's encoding. Until the target is opened
// (the first non-blank line opens it) the converted blank lines wait in memory, and beyond a
// few megabytes in a temporary file; a source that stays blank thus leaves nothing behind.

#include "Markup.h"
#include "TextCodec.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <QTemporaryFile>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

// The sink of the line scan over a page: writes source characters and markup, nothing else.
class TPageOutput {
public:
    TPageOutput(const TMarkupSet& markup, TTextEncoding encoding, const QString& targetName);
    // It writes through a pointer into its buffer: a copy would write into the same bytes.
    Q_DISABLE_COPY_MOVE(TPageOutput)

    // Converted source characters: the raw bytes of a windows-1251 or UTF-8 line, or the
    // units of a UTF-16 line; "<", ">", "&" and NUL are escaped.
    void Text(const unsigned char* bytes, qsizetype length);
    void Text(const char16_t* units, qsizetype length);
    void Markup(TMarkup which) {
        if (FTrackOpen)
            Track(which);
        Append(FMarkup[size_t(which)]);
    }
    void EndLine() { Append(FBreak); }
    // Starts a line with its anchor, given in ASCII. Markup still open from the lines before
    // (a comment, directive or string over several lines) is closed before the anchor and
    // opened again after it, so that every anchor looks the same.
    void LineStart(const char* anchor, qsizetype length);
    // Markup of the page's own, already in the page's encoding.
    void Raw(QByteArrayView bytes) { Append(bytes.data(), bytes.size()); }
    // The same given in ASCII, widened for a UTF-16 page.
    void Ascii(const char* text, qsizetype length);

    // Writes the mark, `head` and the lines converted so far into `device`, which takes
    // every later byte.
    void Start(QIODevice& device, const QStringList& head);
    bool Started() const { return FDevice != nullptr; }
    // Writes `tail` and hands everything to the device.
    void Finish(const QStringList& tail);

    TTextEncoding Encoding() const { return FEncoding; }

private:
    void Append(const QByteArray& bytes) { Append(bytes.constData(), bytes.size()); }
    void Append(const char* bytes, qsizetype length) {
        if (length > 0 && FUsed + length <= FSize) {
            Copy(FData + FUsed, bytes, length);
            FUsed += length;
        } else if (length > 0) {
            AppendLarge(bytes, length);
        }
    }
    // Most of a page comes in pieces of a few bytes: a name, a tag's end, a space. Those are
    // copied as two words that may overlap, without a call.
    static void Copy(char* to, const char* from, qsizetype length) {
        const auto two = [to, from, length](auto word) {
            decltype(word) last;
            std::memcpy(&word, from, sizeof word);
            std::memcpy(&last, from + length - qsizetype(sizeof word), sizeof last);
            std::memcpy(to, &word, sizeof word);
            std::memcpy(to + length - qsizetype(sizeof word), &last, sizeof last);
        };
        if (length > 16)
            std::memcpy(to, from, size_t(length));
        else if (length >= 8)
            two(quint64());
        else if (length >= 4)
            two(quint32());
        else {
            two(quint8());
            to[length / 2] = from[length / 2];
        }
    }
    void AppendLarge(const char* bytes, qsizetype length);
    void ResizeBuffer(qsizetype size);
    // Opening markup comes at even places of the enumeration, its closing right after it.
    void Track(TMarkup which) {
        if (int(which) % 2 == 0)
            FOpen.push_back(which);
        else if (!FOpen.empty())
            FOpen.pop_back();
    }
    // Offset of the first byte of [p, end) that is written otherwise than as itself. Kept out of
    // line: inlined into Text, a page of many short runs (tables of numbers) took half as long
    // again.
    const unsigned char* NextEscaped(const unsigned char* p, const unsigned char* end) const;
    // Frame lines; line breaks inside one end lines of their own.
    void FrameLines(const QStringList& lines);
    void Flush();
    // Into the device, or into the spool before it is opened.
    void Write(const char* bytes, qsizetype length);
    void Spool(const char* bytes, qsizetype length);

    TTextEncoding FEncoding;
    QString FTargetName;
    std::array<QByteArray, 10> FMarkup;
    QByteArray FBreak;
    // How each character code below 256 is written when it is not written as itself.
    std::array<QByteArray, 256> FEscape;
    std::array<bool, 256> FEscaped{};
    bool FOnlyMarkupEscapes = true; // only "<", ">", "&" and NUL are escaped
    // The opening markup not yet closed, outermost first; kept only for line anchors.
    bool FTrackOpen = false;
    std::vector<TMarkup> FOpen;

    static constexpr qsizetype kBufferSize = 1 << 20;

    QByteArray FBuffer; // grown on demand up to kBufferSize; FUsed bytes of it are the page's
    // Its bytes and size, as last resized: asked for every run of a page, without the checks
    // of a shared array.
    char* FData = nullptr;
    qsizetype FSize = 0;
    qsizetype FUsed = 0;
    QIODevice* FDevice = nullptr;
    QByteArray FSpool;
    std::unique_ptr<QTemporaryFile> FSpoolFile;
};
