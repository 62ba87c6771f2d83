// The page "Clipboard": text taken from the clipboard or typed, converted into a page shown
// in the HTML editor, and saved to a file of the user's choice.

#include "MessageBoxes.h"
#include "THtmlEdit.h"
#include "TStrings.h"
#include "Trim.h"
#include "WaitCursor.h"
#include "WidgetKit.h"
#include "WindowSettings.h"
#include "__pas2html.h"
#include "__str_clipboard.h"
#include "__sys.h"
#include "dwelk_001_main.h"
#include "synmemo.h"

#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMimeData>

void TfMain::SpeedButton3Click() {
    ProcessMessages();
    SynMemo1->SetText({});
    TStrings lines;
    Clipboard_TextToStrings(&lines, false);
    SyntMemo2->Lines().Assign(lines);
    // The new text shows from its beginning, not at the old text's scroll position.
    SyntMemo2->SetPos(1, 1);
    SyntMemo2->update();
}

// A cancelled title box counts as an empty title, which the page calls "NewFile".
void TfMain::SpeedButton1Click() {
    ProcessMessages();
    SynMemo1->SetText({});
    const QString title = Trim(QInputDialog::getText(this, QStringLiteral("Заголовок HTML-файла"),
                                                     QStringLiteral("Введите")));
    const TWaitCursor busy;
    TStrings source = SyntMemo2->Lines().Strings();
    TStrings page;
    pas2html(&source, &page, title, &fSettings.Attr, fSettings.AfterOrNull(),
             fSettings.EndBeforeOrNull());
    SynMemo1->SetLines(page);
}

// The page is written in windows-1251 whatever the editor's text holds: characters it
// lacks become character references, so nothing is lost.
void TfMain::SpeedButton2Click() {
    ProcessMessages();
    TStrings page = SynMemo1->Lines();
    if (page.Count() == 0)
        return;
    const QStringList filters = SD1->nameFilters();
    const int filter = ComboBox_HTML_ExtFile->currentIndex();
    if (filter >= 0 && filter < filters.size()) {
        SD1->selectNameFilter(filters[filter]);
        emit SD1->filterSelected(filters[filter]);
    }
    if (SD1->exec() != QDialog::Accepted || SD1->selectedFiles().isEmpty())
        return;
    const QString fileName = SD1->selectedFiles().constFirst();
    page.SetEncoding(TTextEncoding::Ansi);
    page.SaveToFile(fileName);
    if (AskOkCancel(this, QStringLiteral("Желате посмотреть результат?")))
        File_OpenForView(fileName, nullptr, SW_SHOWMAXIMIZED, true);
}

// The page as HTML for pasting into a mail, an office document or a wiki editor, and as its
// source for plain-text targets. The clipboard carries HTML as UTF-8, so the page's line
// declaring windows-1251 would mislead the reader and is left out.
void TfMain::sb_Clip_CopyHtmlClick() {
    ProcessMessages();
    const QStringList lines = SynMemo1->Lines().Lines();
    if (lines.isEmpty())
        return;
    QString html;
    QString text;
    for (const QString& line : lines) {
        text += line + u'\n';
        const QString bare = line.trimmed();
        if (bare.startsWith(QLatin1String("<meta"), Qt::CaseInsensitive) &&
            bare.contains(QLatin1String("charset=windows-1251"), Qt::CaseInsensitive))
            continue;
        html += line + u'\n';
    }
    auto* data = new QMimeData;
    data->setHtml(html);
    data->setText(text);
    QGuiApplication::clipboard()->setMimeData(data);
}

void TfMain::SyntMemo2Change() {
    ProcessMessages();
    SynMemo1->SetText({});
}
