#include "TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <array>
#include <vector>

namespace {

struct AnsiTables {
    std::array<char16_t, 256> toUnicode{};
    std::vector<short> fromUnicode = std::vector<short>(0x10000, -1); // -1: not in the code page

    AnsiTables() {
        QByteArray all(256, Qt::Uninitialized);
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        QStringDecoder decoder("windows-1251");
        const QString decoded = decoder(all);
        for (int i = 0; i < 256; ++i) {
            // ICU maps every byte; keep the identity for any byte it would not.
            const char16_t u =
                (decoder.isValid() && decoded.size() == 256) ? decoded[i].unicode() : char16_t(i);
            toUnicode[i] = u;
            if (fromUnicode[u] < 0)
                fromUnicode[u] = short(i);
        }
    }
};

const AnsiTables& Ansi() {
    static const AnsiTables tables;
    return tables;
}

void AppendAnsi(QByteArray& out, QStringView text) {
    // Locals, so that stores through `dst` do not force the table pointer to be reloaded.
    const short* const from = Ansi().fromUnicode.data();
    const qsizetype start = out.size();
    out.resize(start + text.size());
    char* dst = out.data() + start;
    const char16_t* src = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        // ASCII is the same in windows-1251; take it eight characters at a time.
        while (i + 8 <= n) {
            char16_t any = 0;
            for (int k = 0; k < 8; ++k)
                any |= src[i + k];
            if (any >= 0x80)
                break;
            for (int k = 0; k < 8; ++k)
                dst[k] = char(src[i + k]);
            dst += 8;
            i += 8;
        }
        if (i >= n)
            break;
        if (src[i] < 0x80) {
            *dst++ = char(src[i]);
            continue;
        }
        const short b = from[src[i]];
        if (b >= 0) {
            *dst++ = char(b);
            continue;
        }
        // A character reference; surrogate pairs give one code point.
        char32_t cp = src[i];
        if (QChar::isHighSurrogate(cp) && i + 1 < n && QChar::isLowSurrogate(src[i + 1])) {
            cp = QChar::surrogateToUcs4(src[i], src[i + 1]);
            ++i;
        }
        const QByteArray ref = "&#" + QByteArray::number(uint(cp)) + ';';
        const qsizetype done = dst - out.data();
        out.resize(out.size() + ref.size() - 1);
        dst = out.data() + done;
        for (char ch : ref)
            *dst++ = ch;
    }
    out.resize(dst - out.data());
}

void AppendUtf16(QByteArray& out, QStringView text, bool bigEndian) {
    const qsizetype start = out.size();
    out.resize(start + 2 * text.size());
    uchar* dst = reinterpret_cast<uchar*>(out.data()) + start;
    for (QChar qc : text) {
        const char16_t u = qc.unicode();
        const uchar lo = uchar(u & 0xFF), hi = uchar(u >> 8);
        *dst++ = bigEndian ? hi : lo;
        *dst++ = bigEndian ? lo : hi;
    }
}

QString DecodeUtf16(QByteArrayView bytes, bool bigEndian) {
    const qsizetype units = bytes.size() / 2;
    QString s(units + (bytes.size() % 2), Qt::Uninitialized);
    const auto* src = reinterpret_cast<const uchar*>(bytes.data());
    char16_t* dst = reinterpret_cast<char16_t*>(s.data());
    for (qsizetype i = 0; i < units; ++i, src += 2)
        dst[i] = bigEndian ? char16_t((src[0] << 8) | src[1]) : char16_t((src[1] << 8) | src[0]);
    if (bytes.size() % 2)
        dst[units] = QChar::ReplacementCharacter; // a lone last byte is not lost silently
    return s;
}

} // namespace

const char16_t* AnsiToUnicodeTable() {
    return Ansi().toUnicode.data();
}

bool IsValidUtf8(QByteArrayView bytes) {
    // Stateless: a sequence cut at the end is an error, not a wait for more.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    // The decoding runs when its result is taken.
    [[maybe_unused]] const QString decoded = decoder(bytes);
    return !decoder.hasError();
}

TTextEncoding DetectEncoding(QByteArrayView bytes, qsizetype* bomLength) {
    const auto* b = reinterpret_cast<const uchar*>(bytes.data());
    TTextEncoding enc = TTextEncoding::Ansi;
    qsizetype len = 0;
    if (bytes.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        enc = TTextEncoding::Utf8;
        len = 3;
    } else if (bytes.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        enc = TTextEncoding::Utf16LE;
        len = 2;
    } else if (bytes.size() >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
        enc = TTextEncoding::Utf16BE;
        len = 2;
    }
    if (bomLength)
        *bomLength = len;
    return enc;
}

QByteArray ByteOrderMark(TTextEncoding encoding) {
    switch (encoding) {
    case TTextEncoding::Utf8:
        return QByteArray("\xEF\xBB\xBF", 3);
    case TTextEncoding::Utf16LE:
        return QByteArray("\xFF\xFE", 2);
    case TTextEncoding::Utf16BE:
        return QByteArray("\xFE\xFF", 2);
    case TTextEncoding::Ansi:
        break;
    }
    return {};
}

QString DecodeText(QByteArrayView bytes, TTextEncoding encoding) {
    switch (encoding) {
    case TTextEncoding::Utf8:
        return QString::fromUtf8(bytes);
    case TTextEncoding::Utf16LE:
        return DecodeUtf16(bytes, false);
    case TTextEncoding::Utf16BE:
        return DecodeUtf16(bytes, true);
    case TTextEncoding::Ansi:
        break;
    }
    const auto& table = Ansi().toUnicode;
    QString s(bytes.size(), Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(s.data());
    for (char b : bytes)
        *dst++ = table[uchar(b)];
    return s;
}

void AppendEncoded(QByteArray& out, QStringView text, TTextEncoding encoding) {
    switch (encoding) {
    case TTextEncoding::Utf8:
        out += text.toUtf8();
        return;
    case TTextEncoding::Utf16LE:
        AppendUtf16(out, text, false);
        return;
    case TTextEncoding::Utf16BE:
        AppendUtf16(out, text, true);
        return;
    case TTextEncoding::Ansi:
        AppendAnsi(out, text);
        return;
    }
}

QByteArray EncodeText(QStringView text, TTextEncoding encoding) {
    QByteArray out;
    AppendEncoded(out, text, encoding);
    return out;
}
