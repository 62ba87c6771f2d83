#include "SynMemoLines.h"

#include "synmemo.h"

const TStrings& TSyntaxMemoLines::Strings() const {
    return FMemo.FText;
}

TStrings& TSyntaxMemoLines::Store() {
    return FMemo.FText;
}

void TSyntaxMemoLines::Changed() {
    FMemo.TextReplacedOutside();
    FMemo.LinesChange();
}

void TSyntaxMemoLines::Clear() {
    Store().Clear();
    Changed();
}

void TSyntaxMemoLines::Add(const QString& line) {
    Store().Add(line);
    Changed();
}

void TSyntaxMemoLines::Insert(qsizetype i, const QString& line) {
    if (i < 0 || i > Count())
        return;
    Store().Insert(i, line);
    Changed();
}

void TSyntaxMemoLines::Delete(qsizetype i) {
    if (i < 0 || i >= Count())
        return;
    Store().Delete(i);
    Changed();
}

void TSyntaxMemoLines::Put(qsizetype i, const QString& line) {
    if (i < 0 || i >= Count())
        return;
    Store()[i] = line;
    Changed();
}

void TSyntaxMemoLines::SetText(QStringView text) {
    Store().SetText(text);
    Changed();
}

void TSyntaxMemoLines::Assign(const TStrings& lines) {
    Store().Assign(lines);
    Store().SetEncoding(lines.Encoding());
    Changed();
}

void TSyntaxMemoLines::LoadFromFile(const QString& fileName) {
    TStrings loaded;
    loaded.LoadFromFile(fileName);
    Assign(loaded);
}
