// The file browser: drive selector, folder list, filter selector and file list, the two
// pop-up menus, and the source view with the name fields that follow the selected file.

#include "BinaryForm.h"
#include "Exception.h"
#include "FileBrowserLists.h"
#include "FolderListDelegate.h"
#include "MessageBoxes.h"
#include "WaitCursor.h"
#include "WebBrowser.h"
#include "WidgetKit.h"
#include "WindowSettings.h"
#include "__files.h"
#include "__sys.h"
#include "dwelk_000_lib.h"
#include "dwelk_001_main.h"
#include "synmemo.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>
#include <QStyle>
#include <utility>

void TfMain::ConnectBrowserHandlers() {
    for (const QString& drive : MountedDrives())
        DCB->addItem(drive, drive);
    connect(DCB, &QComboBox::activated, this, Guarded(this, [this] { DCBChange(); }));
    connect(DLB, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const QString dir = item->data(Qt::UserRole).toString();
        RunGuarded(this, [this, dir] { DLBOpen(dir); });
    });
    connect(FCB, &QComboBox::activated, this, Guarded(this, [this] { FCBChange(); }));

    FLB->viewport()->installEventFilter(this);
    connect(FLB, &QListWidget::itemSelectionChanged, this,
            Guarded(this, [this] { FLB_CurrentChanged(); }));
    connect(FLB, &QListWidget::itemClicked, this, Guarded(this, [this] { FLB_Clicked(); }));
    connect(FLB, &QListWidget::itemDoubleClicked, this,
            Guarded(this, [this] { btn_File_ToHtmlClick(); }));
    connect(Edit_FN, &QLineEdit::textChanged, this, Guarded(this, [this] { Edit_FNChange(); }));

    const auto onItem = [this](QAction* item, void (TfMain::*handler)()) {
        connect(item, &QAction::triggered, this,
                Guarded(this, [this, handler] { (this->*handler)(); }));
    };
    onItem(N1, &TfMain::N1Click);
    onItem(N3, &TfMain::N3Click);
    onItem(N11, &TfMain::N11Click);
    onItem(N8, &TfMain::N8Click);
    onItem(nPublish, &TfMain::btn_PublishClick);
    onItem(N4, &TfMain::N4Click);
    onItem(N5, &TfMain::btn_File_ToHtmlClick);
    onItem(N13, &TfMain::N13Click);
}

void TfMain::DCBChange() {
    SetBrowserFolder(DCB->currentData().toString());
}

// A folder that vanished since the list was read leaves the browser where it is, with the
// list read again so the entry disappears.
void TfMain::DLBOpen(const QString& dir) {
    SetBrowserFolder(FolderExists(dir) ? dir : fDLB_Dir);
}

// The folder list shows the path down to the folder, then its subfolders; the drive
// selector follows, and the file list reads the new folder.
void TfMain::SetBrowserFolder(const QString& dir) {
    const QString folder = NormalFolder(dir);
    if (!FolderExists(folder))
        throw Exception(QStringLiteral("Папка не найдена: %1").arg(folder));
    if (folder != fDLB_Dir)
        StopListRunOnNewList();
    fDLB_Dir = folder;
    {
        const QSignalBlocker quiet(DLB);
        DLB->clear();
        const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
        const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
        for (const TFolderEntry& entry : FolderEntries(folder)) {
            auto* item = new QListWidgetItem(entry.OnPath ? open : closed, entry.Name, DLB);
            item->setData(Qt::UserRole, entry.Path);
            item->setData(FolderDepthRole, entry.Depth);
            if (entry.Path == folder)
                DLB->setCurrentItem(item);
        }
    }
    const QSignalBlocker quiet(DCB);
    const int drive = DCB->findData(DriveOf(folder));
    if (drive >= 0)
        DCB->setCurrentIndex(drive);
    FLB_Read();
}

// A run converts the files of the folder and mask it was confirmed for; another folder's list
// or another mask ends it as "Стоп" does. A publishing has planned its files: the user may
// browse meanwhile.
void TfMain::StopListRunOnNewList() {
    if (fRunActive && fRunFollowsList)
        StopListRun();
}

void TfMain::FCBChange() {
    const QString mask = FCB->currentData().toString();
    if (mask != fFLB_Mask)
        StopListRunOnNewList();
    fFLB_Mask = mask;
    FLB_Read();
}

// Every reading ends with no entry selected and a change report.
void TfMain::FLB_Read() {
    {
        const QSignalBlocker quiet(FLB);
        FLB->clear();
        const QStringList names = MatchingFiles(fDLB_Dir, fFLB_Mask);
        FLB->addItems(names);
        for (int i = 0; i < names.size(); ++i)
            FLB->item(i)->setData(Qt::UserRole, JoinPath(fDLB_Dir, names[i]));
        FLB->setCurrentRow(-1);
    }
    FLB->viewport()->update();
    FLBChange();
}

// A mouse press selects before the click report comes; a keyboard move has no click.
void TfMain::FLB_MousePressed() {
    fFLB_InPress = true;
    fFLB_PressSelected = false;
}

void TfMain::FLB_CurrentChanged() {
    fFLB_PressSelected = fFLB_InPress;
    FLB_UserSelected();
}

void TfMain::FLB_Clicked() {
    const bool reported = fFLB_PressSelected;
    fFLB_InPress = false;
    fFLB_PressSelected = false;
    if (!reported)
        FLB_UserSelected();
}

// The click report and the change report run the same steps; when both are due for one
// selection the steps run once.
void TfMain::FLB_UserSelected() {
    if (SelectedFile() != fFLB_LastChange)
        FLBChange();
    else
        FLBClick();
}

void TfMain::FLBChange() {
    fFLB_LastChange = SelectedFile();
    ShowSelectedFile();
}

void TfMain::FLBClick() {
    ShowSelectedFile();
}

void TfMain::ShowSelectedFile() {
    ProcessMessages();
    Edit_FN->clear();
    NavigateToPlaceholder();
    // A file opens at its top, not at the column the last one was left at (far beyond a
    // short file's text after a long line, which leaves a blank view).
    SyntMemo->SetPos(1, 1);
    SyntMemo->Lines().Clear();
    const QString fn = SelectedFile();
    if (FileExists(fn)) {
        Edit_FN->setText(QFileInfo(fn).fileName());
        TStrings source; // a form saved in binary shows as its text
        LoadSourceLines(source, fn);
        SyntMemo->Lines().Assign(source);
    }
    if (!fItsFirst)
        WebBr_Show(fn);
}

// Yellow tells that the page of the selected file is not in the folder yet.
void TfMain::Edit_FNChange() {
    ProcessMessages();
    Edit_FN_html->setText(fnHTML_999_Get(Edit_FN->text()));
    SetEditColor(Edit_FN_html, clInfoBk());
    if (!Edit_FN_html->text().isEmpty() &&
        !QFileInfo::exists(JoinPath(fDLB_Dir, Edit_FN_html->text())))
        SetEditColor(Edit_FN_html, clYellow);
}

void TfMain::MoveBrowserTo(const QString& dir) {
    SetBrowserFolder(dir);
}

// A file whose type the current filter hides switches the filter to the first one that
// shows it ("Все файлы" at the latest).
void TfMain::OpenStartPath() {
    if (!fStartPath.isEmpty())
        OpenPath(std::exchange(fStartPath, {}));
}

void TfMain::OpenPath(const QString& path) {
    const QFileInfo target(path);
    if (target.isDir()) {
        MoveBrowserTo(target.absoluteFilePath());
        return;
    }
    if (!target.isFile())
        throw Exception(QStringLiteral("Файл или папка не найдены: %1").arg(target.filePath()));
    MoveBrowserTo(target.absolutePath());
    const QString name = target.fileName();
    const auto shows = [&name](const QString& mask) {
        return QDir::match(mask == QLatin1String("*.*") ? QStringLiteral("*") : mask, name);
    };
    for (int i = 0; i < FCB->count() && !shows(fFLB_Mask); ++i) {
        if (shows(FCB->itemData(i).toString())) {
            FCB->setCurrentIndex(i);
            FCBChange();
        }
    }
    const QList<QListWidgetItem*> found = FLB->findItems(name, Qt::MatchExactly);
    QListWidgetItem* item = found.isEmpty() ? nullptr : found.first();
    // A dot file the list leaves out was named on purpose: it gets an entry of its own,
    // first as dot names sort, until the list is read again.
    if (!item && name.startsWith(QLatin1Char('.'))) {
        const QSignalBlocker quiet(FLB);
        item = new QListWidgetItem(name);
        item->setData(Qt::UserRole, target.absoluteFilePath());
        FLB->insertItem(0, item);
    }
    if (item) {
        FLB->setCurrentItem(item);
        FLB->scrollToItem(item);
    }
}

void TfMain::N1Click() {
    ProcessMessages();
    if (DirExist(fDLB_Dir))
        Dir_Open(fDLB_Dir);
    else
        ShowMessage(this, QStringLiteral("Ошибка! Папка не найдена"));
}

void TfMain::N3Click() {
    ProcessMessages();
    if (DirExist(fDLB_Dir))
        PutToINI_StringParamW(fnINI(), SettingsKey::FILES, SettingsKey::Dir, fDLB_Dir);
    else
        ShowMessage(this, QStringLiteral("Ошибка! Папка не существует"));
}

void TfMain::N11Click() {
    ProcessMessages();
    const QString dir =
        GetFromINI_StringParamDef(fnINI(), SettingsKey::FILES, SettingsKey::Dir, {}, true);
    if (dir.isEmpty())
        ShowMessage(this, QStringLiteral("А мы ничего и не помним..."));
    else if (DirExist(dir))
        MoveBrowserTo(dir);
    else
        ShowMessage(this, QStringLiteral("Ошибка! Папка не существует"));
}

void TfMain::N8Click() {
    ProcessMessages();
    MoveBrowserTo(MainDir());
}

void TfMain::N4Click() {
    ProcessMessages();
    const QString fn = SelectedFile();
    if (FileExists(fn))
        File_OpenForView(fn, nullptr, SW_SHOWMAXIMIZED, true);
}

void TfMain::N13Click() {
    ProcessMessages();
    const TWaitCursor busy;
    FLB_Read();
}
