#pragma once
// The memo's lines as callers see them through `Lines`: every change made here counts as
// an outside replacement of the text, so the memo rebuilds its view, empties its undo list
// and keeps the caret in range.

#include "TStrings.h"

#include <QString>
#include <QStringView>

class TSyntaxMemo;

class TSyntaxMemoLines {
public:
    explicit TSyntaxMemoLines(TSyntaxMemo& memo) : FMemo(memo) {}
    TSyntaxMemoLines(const TSyntaxMemoLines&) = delete;
    TSyntaxMemoLines& operator=(const TSyntaxMemoLines&) = delete;

    qsizetype Count() const { return Strings().Count(); }
    const QString& operator[](qsizetype i) const { return Strings()[i]; }
    QString Text() const { return Strings().Text(); }
    const TStrings& Strings() const;
    operator const TStrings&() const { return Strings(); }
    TTextEncoding Encoding() const { return Strings().Encoding(); }

    void Clear();
    void Add(const QString& line);
    // Out-of-range indexes are ignored (Insert takes Count() as the end).
    void Insert(qsizetype i, const QString& line);
    void Delete(qsizetype i);
    void Put(qsizetype i, const QString& line);
    void SetText(QStringView text);
    void Assign(const TStrings& lines);
    // Reads the file by its byte-order mark, otherwise as ANSI; raises Exception and leaves
    // the lines as they were when it cannot be read.
    void LoadFromFile(const QString& fileName);
    void SaveToFile(const QString& fileName) const { Strings().SaveToFile(fileName); }

private:
    TStrings& Store();
    void Changed();

    TSyntaxMemo& FMemo;
};
