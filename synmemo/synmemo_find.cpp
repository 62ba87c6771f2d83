// TSyntaxMemo: searching the text from the caret with the search dialog and F3.

#include "synmemo.h"

#include "SynMemoSearch.h"
#include "Trim.h"

#include <QLineEdit>

namespace {

// Letter case is ignored for ASCII letters only.
QString AsciiUpper(QStringView s) {
    QString result = s.toString();
    for (QChar& c : result)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - u'a' + u'A');
    return result;
}

} // namespace

bool TSyntaxMemo::MyFind(const QString& sFind) {
    TSynMemoSearch dialog;
    SynMemoSearch = &dialog;
    // A text the caller names wins; else what is selected, when it is more than blanks.
    if (IsBlank(sFind)) {
        if (FSelStart.x() != 0) {
            const QString selected = GetSelText();
            if (!IsBlank(selected))
                dialog.Edit1->setText(selected);
        }
    } else {
        dialog.Edit1->setText(sFind);
    }
    const bool ok = dialog.exec() == QDialog::Accepted;
    LastSearch = dialog.Edit1->text();
    SynMemoSearch = nullptr;
    return ok && Find(LastSearch);
}

bool TSyntaxMemo::Find(const QString& Text) {
    QPoint position = FPos;
    if (FMemoFind(Text, position)) {
        // The match's end first, then its start: the view shows the whole match when it
        // fits, and its beginning when it does not.
        SetPos(int(std::min<qsizetype>(position.x() + Text.size() - 1, INT_MAX / 2)), position.y());
        SetPos(position.x(), position.y());
        return true;
    }
    ShowMessage(QStringLiteral("Text \"") + Text + QStringLiteral("\" not found."));
    return false;
}

// Looks from the character after the caret to the end of the text, without wrapping, so
// that searching again from a match finds the next one.
bool TSyntaxMemo::FMemoFind(const QString& Text, QPoint& Position) const {
    if (Text.isEmpty())
        return false;
    const QString wanted = AsciiUpper(Text);
    qsizetype from = Position.x();
    for (qsizetype line = std::max(Position.y() - 1, 0); line < FText.Count(); ++line) {
        const QString& s = FText[line];
        if (from <= s.size() - wanted.size()) {
            const qsizetype at = AsciiUpper(s).indexOf(wanted, from);
            if (at >= 0) {
                Position = {int(at + 1), int(line + 1)};
                return true;
            }
        }
        from = 0;
    }
    return false;
}
