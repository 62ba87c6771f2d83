// TSyntaxMemo: "EnvVar select" inserts a variable name picked from the memo's own list.

#include "synmemo.h"

#include "synmemo_listenvvar.h"

int TSyntaxMemo::ListEnvVars_Assign(const TStrings* List) {
    fListEnvVars.Clear();
    if (!List)
        return 0;
    fListEnvVars.Assign(*List);
    return int(fListEnvVars.Count());
}

// The name goes in as $(name) before the caret column of the caret line, through Lines:
// no undo snapshot, read-only or not. The caret stays before the inserted text.
void TSyntaxMemo::EnvVarSelPopup() {
    const QString name = Sel_From_List(&fListEnvVars, QString());
    if (name.isEmpty())
        return;
    const QString text = QStringLiteral("$(") + name + QStringLiteral(")");
    const int x = FPos.x();
    const int y = FPos.y();
    if (y <= 0)
        return;
    TStrings lines = Lines().Strings();
    if (y > lines.Count())
        return;
    QString& line = lines[y - 1];
    const bool insert = !line.isEmpty() && x > 0;
    if (insert)
        line.insert(std::min<qsizetype>(x - 1, line.size()), text);
    SetText(lines);
    if (insert)
        DoChange();
}
