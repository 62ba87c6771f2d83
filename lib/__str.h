#pragma once
// Text helpers shared by the library and the main window: words of a text divided by a set
// of delimiter characters, and removing blank lines from a line list.

#include "TStrings.h"

#include <QString>

// Word number `NumWord` (from 1) of `Sx`; every character of `UnChar` is a delimiter and runs
// of delimiters never make empty words. Empty when there is no such word or NumWord <= 0.
// With YesAllTrim_Before the text is trimmed first; otherwise blanks at its ends are
// ordinary characters unless `UnChar` holds them.
QString Get_Word_From_WideString(const QString& Sx, int NumWord, const QString& UnChar,
                                 bool YesAllTrim_Before);

// The number of words of `Sx` by the same rule.
int Get_CountWords_In_WideString(const QString& Sx, const QString& UnChar, bool YesAllTrim_Before);

// Keeps only the lines that are not blank after trimming, unchanged; returns how many are
// left. An absent list gives 0.
int TStrings_DeleteEmptyLine(TStrings* List);
