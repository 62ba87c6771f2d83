#pragma once
// A literal rendering of the line scan as first described: markup is inserted into the line
// in place and the line is searched again for every "<" and ">". Quadratic, but obviously
// faithful, so the engine's one-pass scan is checked against it on many random texts.

#include "__pas2html.h"

// The reserved-word test as first described: the whole word lower-cased, then compared with
// each entry of the converter's list in turn.
bool ReferenceIsReservWord(const TDelphiToHTML& converter, const QString& word);
// The number test as first described, character by character.
bool ReferenceIsValue(const QString& word);

// The lines between "<pre>" and "</pre>" for `text`, with a source "&" written as "&amp;".
QStringList ReferenceConvertLines(TDelphiToHTML& converter, const QString& text);
