#pragma once
// What a syntax type decides: its comment and string delimiters, its built-in keyword list
// and the name of its keyword list file.

#include "SynMemoTypes.h"

#include <QSet>
#include <QString>
#include <QStringView>

class TStrings;

// The five delimiter characters of a syntax type; a space stands for "none" because the
// scanner never starts a token at a space.
struct TSynDelimiters {
    char16_t cm1; // line comment: the character twice (a single "%" for Erlang)
    char16_t cm2; // comment up to the next "}"
    char16_t cm3; // block comment from cm3 and "*" ...
    char16_t cm4; // ... up to "*" and cm4
    char16_t st1; // string quote
};

TSynDelimiters SyntaxDelimiters(TSyntaxType type);

// The comma-separated built-in list; empty for stText.
QString BuiltInKeywords(TSyntaxType type);

// The part of the keyword list file name that names the type; empty for stText.
QString KeywordFilePart(TSyntaxType type);

// The folder trimmed and ending in "/" unless empty.
QString NormaliseKeywordDir(QStringView dir);

// normalisedDir + "Kestrane_KW_synt-" + part + ".txt".
QString KeywordFileName(const QString& normalisedDir, TSyntaxType type);

// The keyword list a file's lines give: "name=value" adds its trimmed, lower-cased name,
// any other line the whole line trimmed; every entry is followed by a comma.
QString KeywordsFromLines(const TStrings& lines);

// The entries of a comma-separated list, for quick membership tests.
QSet<QString> KeywordSet(QStringView keywords);
