// TSyntaxMemo: syntax type, keyword lists and the attribute of each cell.

#include "synmemo.h"

#include "SynKeywords.h"

#include <QFileInfo>

void TSyntaxMemo::SetSyntaxType(TSyntaxType value) {
    FSyntaxType = value;
    FKeywords = BuiltInKeywords(value);
    FSynStrings.SetRules(FSyntaxType, FKeywords);
    UpdateSyntax();
}

void TSyntaxMemo::Set_KeyWords_LoadFromFile(bool value) {
    if (value == fKeyWords_LoadFromFile)
        return;
    fKeyWords_LoadFromFile = value;
    KeyWords_Load();
}

bool TSyntaxMemo::KeyWords_Load() {
    FKeywords.clear();
    bool fromFile = false;
    if (fKeyWords_LoadFromFile && !KeywordFilePart(FSyntaxType).isEmpty()) {
        fDir_KeyWords = NormaliseKeywordDir(fDir_KeyWords);
        const QString fileName = KeywordFileName(fDir_KeyWords, FSyntaxType);
        if (QFileInfo::exists(fileName)) {
            TStrings lines;
            try {
                lines.LoadFromFile(fileName);
            } catch (...) {
                // Keywords that cannot be read are none; the highlighting follows suit.
                FSynStrings.SetRules(FSyntaxType, FKeywords);
                throw;
            }
            if (lines.Count() > 0) {
                FKeywords = KeywordsFromLines(lines);
                fromFile = true;
            }
        }
    }
    if (!fromFile)
        FKeywords = BuiltInKeywords(FSyntaxType);
    FSynStrings.SetRules(FSyntaxType, FKeywords);
    UpdateSyntax();
    return fromFile;
}

void TSyntaxMemo::UpdateSyntax() {
    FAllowLinesChange = false;
    FUpdatingSyntax = true;
    if (FSyntaxWhole)
        FSynStrings.Rebuild(FText.Lines());
    else if (FSyntaxChange.First >= 0)
        FSynStrings.Replace(FText.Lines(), FSyntaxChange.First, FSyntaxChange.Old,
                            FSyntaxChange.New);
    else
        FSynStrings.Replace(FText.Lines(), 0, 0, 0);
    FSyntaxWhole = false;
    FSyntaxChange = {};
    FUpdatingSyntax = false;
    update();
}

quint8 TSyntaxMemo::CharAttr(int X, int Y) const {
    return FSynStrings.Code(Y - 1, X);
}

TCharAttributes TSyntaxMemo::GetCharAttr(QPoint Pos) const {
    TCharAttributes result;
    const quint8 code = CharAttr(Pos.x(), Pos.y());
    if (code <= 7)
        result.Include(TCharAttr(code));
    if (IsBlock(Pos.x(), Pos.y()))
        result.Include(caBlock);
    return result;
}
