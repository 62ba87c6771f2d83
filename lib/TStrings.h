#pragma once
// The ordered list of text lines that every subsystem passes text in.

#include "TextCodec.h"

#include <QString>
#include <QStringList>
#include <QStringView>

class TStrings {
public:
    TStrings() = default;
    explicit TStrings(QStringList lines) : FLines(std::move(lines)) {}

    void Clear() { FLines.clear(); }
    qsizetype Count() const { return FLines.size(); }
    bool IsEmpty() const { return FLines.isEmpty(); }
    const QString& operator[](qsizetype i) const { return FLines[i]; }
    QString& operator[](qsizetype i) { return FLines[i]; }
    void Add(const QString& line) { FLines.append(line); }
    void Insert(qsizetype i, const QString& line) { FLines.insert(i, line); }
    void Delete(qsizetype i) { FLines.removeAt(i); }
    void Assign(const TStrings& other) { FLines = other.FLines; }

    const QStringList& Lines() const { return FLines; }
    QStringList& Lines() { return FLines; }

    // Every line followed by CR LF, the last one included.
    QString Text() const;
    // Lines end at CR LF, a lone CR or a lone LF; a break at the very end adds no empty line.
    void SetText(QStringView text);
    static QStringList SplitLines(QStringView text);

    // Index of the first line whose part before its first "=" equals `name`, letter case
    // aside; -1 when none.
    qsizetype IndexOfName(QStringView name) const;
    // The part after the first "=" of that line, untrimmed; empty when there is none.
    QString Values(QStringView name) const;

    // What a text without a byte-order mark is read as.
    // Utf8WhenValid: UTF-8 when well-formed UTF-8. Utf8WhenSource: the same when a character
    // above ASCII is there too, so that an ASCII source stays ANSI as its page does.
    enum class TNoMark { Ansi, Utf8WhenValid, Utf8WhenSource };

    // Reads a text file by its byte-order mark, otherwise as `noMark` says; raises Exception
    // naming the file when it cannot be read. The encoding found is kept for SaveToFile.
    void LoadFromFile(const QString& fileName, TNoMark noMark = TNoMark::Ansi);
    // Writes the lines, CR LF after each, in the encoding of the last load with its mark
    // (ANSI without a mark when never loaded), replacing the file atomically; raises
    // Exception naming the file when it cannot be written.
    void SaveToFile(const QString& fileName) const;

    TTextEncoding Encoding() const { return FEncoding; }
    void SetEncoding(TTextEncoding encoding) { FEncoding = encoding; }

private:
    QStringList FLines;
    TTextEncoding FEncoding = TTextEncoding::Ansi;
};
