#pragma once
// Changes the settings a page depends on as a user would: the unit suffix, the extension, a
// tag, the after-body fragment (saved and switched on), so tests can compare pages made by the
// window with pages made from the stored settings.

#include "THtmlEdit.h"
#include "WindowTestKit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

inline void ChangePageSettings(TfMain* w, const QString& afterBody) {
    auto* suffix = Control<QLineEdit>(w, "Edit_Suffix_PAS");
    suffix->setText("_src");
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(suffix, &leave);
    QTest::keyClick(Control<QComboBox>(w, "ComboBox_HTML_ExtFile"), Qt::Key_Down);
    auto* tags = Control<QPlainTextEdit>(w, "Memo_HTML_Attr");
    tags->setPlainText(tags->toPlainText().replace("Bres=<b>", "Bres=<b class=\"kw\">"));
    Control<QAbstractButton>(w, "sb_HTML_Attr_Save")->click();
    Control<THtmlEdit>(w, "SynMemo_BODY_After")->SetLines(TStrings({afterBody}));
    Control<QAbstractButton>(w, "sb_BODY_After_Save")->click();
    Control<QCheckBox>(w, "cb_Yes_HTML_after_BODY")->click();
}
