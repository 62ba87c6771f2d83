#pragma once
// A multi-line editor with HTML colouring for generated pages and page fragments. Its text
// is passed as TStrings; a file is read by its byte-order mark and written back in the
// encoding it was read in.

#include "TStrings.h"

#include <Qsci/qsciscintilla.h>

class THtmlEdit : public QsciScintilla {
    Q_OBJECT

public:
    explicit THtmlEdit(QWidget* parent = nullptr);

    void Clear();
    // Replaces the whole text; lines end at CR LF, CR or LF, and a break at the very end
    // adds no empty line.
    void SetText(QStringView text);
    // The number of lines as TStrings counts them: 0 for an empty editor.
    qsizetype LineCount() const;

    // The lines, carrying the encoding of the last load.
    TStrings Lines() const;
    void SetLines(const TStrings& lines);

    // Replaces the text by the file's and marks the editor unmodified; the encoding found
    // is kept for SaveToFile. Raises Exception when the file cannot be read.
    void LoadFromFile(const QString& fileName);
    // Writes the lines, CR LF after each, in the encoding of the last load (ANSI when the
    // editor was never loaded), replacing the file atomically. Raises Exception on failure.
    void SaveToFile(const QString& fileName) const;
    // The same, always in the ANSI code page without a byte-order mark.
    void SaveToFileAnsi(const QString& fileName) const;

    bool Modified() const { return isModified(); }
    void SetModified(bool modified) { setModified(modified); }

    TTextEncoding Encoding() const { return FEncoding; }

signals:
    // Every change of the text, typed by the user or made by code.
    void Change();

private:
    void FitGutterToLineCount();

    TTextEncoding FEncoding = TTextEncoding::Ansi;
};
