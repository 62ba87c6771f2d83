// The HTML preview below the source view: the page of the selected file, the file itself
// when it is a page, or the placeholder page; and opening that page with the desktop.

#include "FileBrowserLists.h"
#include "HtmlName.h"
#include "MessageBoxes.h"
#include "Trim.h"
#include "WebBrowser.h"
#include "WidgetKit.h"
#include "__sys.h"
#include "dwelk_000_lib.h"
#include "dwelk_001_main.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>

void TfMain::NavigateToPlaceholder() {
    const QString placeholder = fnPlaceholderPage();
    if (!MainDir().isEmpty() && QFileInfo::exists(placeholder))
        WebBr->Navigate(placeholder, placeholder);
    else
        WebBr->SetBrowserVisible(false);
}

// A page shows itself; a source file shows its page, when its type is converted.
QString TfMain::HtmlFileOf(const QString& path) const {
    const QString type = FileExtension(path).toString().toUpper();
    if (type == QLatin1String(".HTM") || type == QLatin1String(".HTML"))
        return path;
    return fnHTML_999_Get(path);
}

bool TfMain::WebBr_Show(const QString& fn) {
    Label_FNhtml->clear();
    WebBr->SetBrowserVisible(false);
    if (fItsFirst)
        return false;
    NavigateToPlaceholder();
    if (!cb_WebBr_Show->isChecked())
        return false;
    const QString name = Trim(fn);
    if (name.isEmpty())
        return false;
    const QString page = HtmlFileOf(name);
    if (!FileExists(page))
        return false;
    Label_FNhtml->setText(page);
    WebBr->SetBrowserVisible(true);
    WebBr->Navigate(page, fDLB_Dir);
    return true;
}

// Links followed in the preview change the page shown; the label names it, and stays
// empty for the placeholder page.
void TfMain::WebBr_UrlChanged(const QUrl& url) {
    const QString shown = url.isLocalFile() ? url.toLocalFile() : QString();
    if (shown.isEmpty() || shown == fnPlaceholderPage())
        Label_FNhtml->clear();
    else
        Label_FNhtml->setText(shown);
}

// The pane sits at the bottom of the page, under the source view.
void TfMain::cb_WebBr_ShowClick() {
    ProcessMessages();
    if (cb_WebBr_Show->isChecked()) {
        GroupBox_WebBr->show();
        WebBr_Show(SelectedFile());
    } else {
        GroupBox_WebBr->hide();
    }
}

void TfMain::sb_HTML_openClick() {
    ProcessMessages();
    const QString fn = SelectedFile();
    if (!FileExists(fn))
        return;
    const QString page = HtmlFileOf(fn);
    if (FileExists(page))
        File_OpenForView(page, nullptr, SW_SHOWMAXIMIZED, true);
    else
        ShowMessage(this, QStringLiteral("Ошибка! HTML-файл не найден"));
}
