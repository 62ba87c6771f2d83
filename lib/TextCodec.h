#pragma once
// Text file encodings: a byte-order mark chooses UTF-8 or UTF-16, otherwise the ANSI code
// page, which here is always windows-1251. Decoding keeps every byte; encoding to ANSI
// writes a character windows-1251 cannot hold as "&#N;" so that nothing is lost.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

enum class TTextEncoding { Ansi, Utf8, Utf16LE, Utf16BE };

// The encoding announced by a byte-order mark at the start of `bytes` (Ansi when none),
// and the mark's length in bytes.
TTextEncoding DetectEncoding(QByteArrayView bytes, qsizetype* bomLength = nullptr);

// Whether `bytes` is well-formed UTF-8 throughout.
bool IsValidUtf8(QByteArrayView bytes);

QByteArray ByteOrderMark(TTextEncoding encoding);

// Decodes `bytes` (without their mark). Malformed UTF sequences become U+FFFD.
QString DecodeText(QByteArrayView bytes, TTextEncoding encoding);

// Appends `text` encoded in `encoding` (no mark) to `out`.
void AppendEncoded(QByteArray& out, QStringView text, TTextEncoding encoding);

QByteArray EncodeText(QStringView text, TTextEncoding encoding);

// The windows-1251 character of every byte, indexed by the byte; every byte has one.
const char16_t* AnsiToUnicodeTable();
