#pragma once
// Forms saved in the binary stream format ("TPF0", raw or behind a resource header) are
// read as their text form, so that everything downstream handles them like any ANSI source.

#include "TStrings.h"

#include <QBuffer>
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

struct TBinaryFormText {
    QByteArray Text; // windows-1251 bytes, CR LF after every line
    QString Problem; // empty when the whole stream was read; otherwise where and why it stopped
};

// True when `bytes` start with the signature, raw or behind a resource header, followed by
// a valid first object header. A text file that merely begins with "TPF0" is not one.
bool IsBinaryForm(QByteArrayView bytes);

// The text form of a binary form. A damaged stream gives the text read so far and a last
// comment line telling where and why reading stopped; Problem then says the same.
TBinaryFormText BinaryFormToText(QByteArrayView bytes);

// Enough leading bytes of a file to tell whether it is a binary form.
constexpr qsizetype kBinaryFormHeadSize = 1024;

// The hook for every place that reads a source: when `bytes` are a binary form, puts its
// text form into `text`, its problem (if any) into `problem`, and returns true.
bool BinaryFormAsText(QByteArrayView bytes, QByteArray& text, QString* problem = nullptr);

// The same for a source read as a stream: when `in` starts as a binary form, reads it to its
// end and opens `text` for reading on its text form. Raises Exception naming `inName` when
// reading fails.
bool BinaryFormAsText(QIODevice& in, const QString& inName, QBuffer& text, QString* problem);

// Whether the file starts as a binary form; false when it cannot be read.
bool IsBinaryFormFile(const QString& fileName);

// Reads a source file into `lines` for viewing as its page reads it: by byte-order mark,
// otherwise as UTF-8 when it is valid UTF-8 with a character above ASCII, else as ANSI; a
// binary form as its text form. Raises Exception naming the file when it cannot be read.
void LoadSourceLines(TStrings& lines, const QString& fileName);
