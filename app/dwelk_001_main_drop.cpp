// Files and folders dropped from a file manager: on the window they open as the command
// line's argument does; on the Clipboard page's source they paste the file's text.

#include "BinaryForm.h"
#include "MessageBoxes.h"
#include "TStrings.h"
#include "WebBrowser.h"
#include "dwelk_001_main.h"
#include "synmemo.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace {

bool CarriesUrls(const QDropEvent* event) {
    return event->mimeData() && event->mimeData()->hasUrls();
}

} // namespace

void TfMain::ConnectDropHandlers() {
    setAcceptDrops(true);
    // The preview would show a dropped file as a page of its own, and leave the folder
    // tree it was browsing.
    WebBr->setAcceptDrops(false);
    SyntMemo2->setAcceptDrops(true);
    SyntMemo2->installEventFilter(this);
}

void TfMain::dragEnterEvent(QDragEnterEvent* event) {
    if (CarriesUrls(event))
        event->acceptProposedAction();
}

void TfMain::dragMoveEvent(QDragMoveEvent* event) {
    if (CarriesUrls(event))
        event->acceptProposedAction();
}

void TfMain::dropEvent(QDropEvent* event) {
    if (!CarriesUrls(event))
        return;
    event->acceptProposedAction();
    TakeDrop(event->mimeData()->urls(), false);
}

bool TfMain::DropOnSourceMemo(QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
        if (CarriesUrls(static_cast<QDropEvent*>(event)))
            static_cast<QDropEvent*>(event)->acceptProposedAction();
        return true;
    case QEvent::Drop:
        if (CarriesUrls(static_cast<QDropEvent*>(event))) {
            static_cast<QDropEvent*>(event)->acceptProposedAction();
            TakeDrop(static_cast<QDropEvent*>(event)->mimeData()->urls(), true);
        }
        return true;
    default:
        return false;
    }
}

// The drop's source waits until the drop handler returns, so the work and its messages come
// after it, from the event loop.
void TfMain::TakeDrop(const QList<QUrl>& urls, bool intoSourceMemo) {
    if (urls.isEmpty())
        return;
    QMetaObject::invokeMethod(
        this,
        [this, urls, intoSourceMemo] {
            RunGuarded(this, [&] {
                const QUrl& first = urls.first();
                if (!first.isLocalFile()) {
                    ShowMessage(this, QStringLiteral("Открыть можно только файл или папку "
                                                     "этого компьютера, не %1")
                                          .arg(first.toDisplayString()));
                    return;
                }
                const QString path = QFileInfo(first.toLocalFile()).absoluteFilePath();
                if (intoSourceMemo)
                    PasteFileText(path);
                else
                    OpenPath(path);
                if (urls.size() > 1)
                    ShowMessage(this, QStringLiteral("Открыт только первый из перетащенных; "
                                                     "не открыто: %1")
                                          .arg(urls.size() - 1));
            });
        },
        Qt::QueuedConnection);
}

// Read as a conversion reads it: a byte-order mark, else UTF-8 when the whole file is valid
// UTF-8, else windows-1251; a form saved in binary as its text. Only a regular file is
// read (a FIFO would wait forever).
void TfMain::PasteFileText(const QString& path) {
    const QFileInfo file(path);
    if (!file.isFile()) {
        ShowMessage(this, QStringLiteral("Вставить можно только текст файла, не %1").arg(path));
        return;
    }
    TStrings lines;
    if (IsBinaryFormFile(path))
        LoadSourceLines(lines, path);
    else
        lines.LoadFromFile(path, TStrings::TNoMark::Utf8WhenValid);
    SyntMemo2->setFocus();
    SyntMemo2->SetSelText(lines.Lines().join(QStringLiteral("\r\n")));
}
