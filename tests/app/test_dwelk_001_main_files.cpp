// The file browser and the preview, driven as a user drives them: walking folders, filters
// over mixed-case names, selecting files with the mouse, the two pop-up menus with a
// stand-in desktop opener, and what the preview shows for each selection.

#include "TestFiles.h"
#include "WebBrowser.h"
#include "WidgetKit.h"
#include "WindowTestKit.h"
#include "__files.h"
#include "synmemo.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QToolButton>
#include <QWebEngineFindTextResult>
#include <QWebEnginePage>

namespace {

QStringList Names(QListWidget* list) {
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

QStringList Paths(QListWidget* list) {
    QStringList paths;
    for (int i = 0; i < list->count(); ++i)
        paths << list->item(i)->data(Qt::UserRole).toString();
    return paths;
}

void OpenFolder(TfMain* w, const QString& path) {
    auto* dlb = Control<QListWidget>(w, "DLB");
    const int row = int(Paths(dlb).indexOf(path));
    QVERIFY2(row >= 0, qPrintable(path));
    emit dlb->itemActivated(dlb->item(row));
}

// The memo keeps one empty line when it holds no text.
bool SourceViewEmpty(TfMain* w) {
    return Control<TSyntaxMemo>(w, "SyntMemo")->Lines().Text() == QLatin1String("\r\n");
}

void Trigger(TfMain* w, const char* item) {
    Control<QAction>(w, item)->trigger();
}

// Chooses an item of the preview's own menu with the mouse, once the menu is on the screen.
void OpenAndChoosePreviewItem(TfMain* w, TWebBrowser* web, const QString& caption) {
    QApplication::setActiveWindow(w);
    QTest::mouseClick(web->focusProxy(), Qt::RightButton, {}, QPoint(20, 20));
    QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QMenu*>(QApplication::activePopupWidget()), kWebWait);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QStringList captions;
    QAction* chosen = nullptr;
    for (QAction* item : menu->actions()) {
        if (item->isSeparator())
            continue;
        captions << item->text();
        if (item->text() == caption)
            chosen = item;
    }
    QCOMPARE(captions, (QStringList{"Назад", "Вперёд", "Обновить", "Копировать", "Выделить всё"}));
    QVERIFY(chosen && chosen->isEnabled());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(chosen).center());
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activePopupWidget(), kWebWait);
}

// The same; false when it failed, so that the test stops there rather than waiting on.
bool ChoosePreviewItem(TfMain* w, TWebBrowser* web, const QString& caption) {
    OpenAndChoosePreviewItem(w, web, caption);
    return !QTest::currentTestFailed();
}

// How many times the page shown and its frames hold `text`.
int MatchesShown(TWebBrowser* web, const QString& text) {
    int matches = -1;
    web->page()->findText(text, {}, [&matches](const QWebEngineFindTextResult& result) {
        matches = result.numberOfMatches();
    });
    if (!QTest::qWaitFor([&matches] { return matches >= 0; }, kWebWait))
        qFatal("no answer from the search");
    web->page()->findText({});
    return matches;
}

} // namespace

class TestDwelk001MainFiles : public QObject {
    Q_OBJECT

private slots:
    void init();
    void filtersMatchAnyLetterCase_data();
    void filtersMatchAnyLetterCase();
    void walkingFolders();
    void selectingShowsFileAndNames_data();
    void selectingShowsFileAndNames();
    void keyboardSelection();
    void anotherFileOpensAtItsTop();
    void pageFoundInBlankEndedFolder();
    void newFolderClearsSelection();
    void rememberAndReturn();
    void returnMessages_data();
    void returnMessages();
    void openWithDesktop();
    void refreshShortcut();
    void unreadableSelection();
    void previewShowsPageOrPlaceholder_data();
    void previewShowsPageOrPlaceholder();
    void openHtmlButton();
    void previewReachesNoNetwork();
    void openAtStart_data();
    void openAtStart();
    void previewMenu();
    void previewBrowsesItsTree();

private:
    QString Src(const QString& name = {}) const { return FFolder->Src(name); }
    std::unique_ptr<TfMain> StartInSources() { return FFolder->StartWindow(); }

    std::unique_ptr<TSourcesFolder> FFolder;
};

void TestDwelk001MainFiles::init() {
    FFolder = std::make_unique<TSourcesFolder>();
    for (const char* name :
         {"Main.PAS", "unit1.pas", "zeta.Pas", ".hidden.pas", "form.dfm", "Form2.DFM", "proj.dpr",
          "index.HTML", "page.htm", "readme.txt", "noext"})
        WriteBytes(Src(name), QByteArray("unit ") + name + ";\r\nbegin end.\r\n");
    QVERIFY(QDir(Src()).mkpath("Sub/deeper"));
    QVERIFY(QDir(Src()).mkpath(".git"));
    QVERIFY(QDir(Src()).mkpath("another"));
    WriteBytes(Src("Sub/inner.pas"), "program inner;\r\n");
}

void TestDwelk001MainFiles::filtersMatchAnyLetterCase_data() {
    QTest::addColumn<int>("filter");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("PAS") << 0 << QStringList{"Main.PAS", "unit1.pas", "zeta.Pas"};
    QTest::newRow("DFM") << 1 << QStringList{"form.dfm", "Form2.DFM"};
    QTest::newRow("DPR") << 2 << QStringList{"proj.dpr"};
    QTest::newRow("HTML") << 3 << QStringList{"index.HTML", "page.htm"};
    QTest::newRow("all, names without a dot too")
        << 4 << QStringList{"form.dfm", "Form2.DFM", "index.HTML", "Main.PAS",  "noext",
                            "page.htm", "proj.dpr",  "readme.txt", "unit1.pas", "zeta.Pas"};
}

void TestDwelk001MainFiles::filtersMatchAnyLetterCase() {
    QFETCH(int, filter);
    QFETCH(QStringList, names);
    auto window = StartInSources();
    TfMain* w = window.get();
    QCOMPARE(Names(Control<QListWidget>(w, "FLB")),
             (QStringList{"Main.PAS", "unit1.pas", "zeta.Pas"}));
    ChooseFilter(w, filter);
    auto* flb = Control<QListWidget>(w, "FLB");
    QCOMPARE(Names(flb), names);
    QCOMPARE(flb->item(0)->data(Qt::UserRole).toString(), Src(names[0]));
    QVERIFY(w->SelectedFile().isEmpty());
}

void TestDwelk001MainFiles::walkingFolders() {
    auto window = StartInSources();
    TfMain* w = window.get();
    const QString src = QDir::cleanPath(Src());
    QCOMPARE(w->BrowserFolder(), src);
    auto* dlb = Control<QListWidget>(w, "DLB");
    const QStringList paths = Paths(dlb);
    QCOMPARE(paths.first(), QStringLiteral("/"));
    QVERIFY(paths.contains(FFolder->Path()));
    // The path ends in the current folder, which is the selected entry; dot folders are hidden.
    QCOMPARE(paths.mid(paths.indexOf(src)), (QStringList{src, src + "/another", src + "/Sub"}));
    QCOMPARE(dlb->currentItem()->data(Qt::UserRole).toString(), src);
    // Typing a name finds its folder whatever its depth; Enter opens it.
    dlb->setFocus();
    QTest::keyClicks(dlb, "su");
    QCOMPARE(dlb->currentItem()->data(Qt::UserRole).toString(), src + "/Sub");
    QCOMPARE(w->BrowserFolder(), src);
    QTest::keyClick(dlb, Qt::Key_Return);
    QCOMPARE(w->BrowserFolder(), src + "/Sub");
    OpenFolder(w, src);

    OpenFolder(w, src + "/Sub");
    QCOMPARE(w->BrowserFolder(), src + "/Sub");
    QCOMPARE(Names(Control<QListWidget>(w, "FLB")), QStringList{"inner.pas"});
    QCOMPARE(Paths(dlb).last(), src + "/Sub/deeper");

    OpenFolder(w, FFolder->Path());
    QCOMPARE(w->BrowserFolder(), FFolder->Path());
    QVERIFY(Names(Control<QListWidget>(w, "FLB")).isEmpty());
    QCOMPARE(Control<QComboBox>(w, "DCB")->currentText().left(1), QStringLiteral("/"));
}

void TestDwelk001MainFiles::selectingShowsFileAndNames_data() {
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("existingPage");
    QTest::addColumn<QString>("htmlName");
    QTest::addColumn<bool>("yellow");
    QTest::newRow("pas without page") << 0 << "unit1.pas"
                                      << ""
                                      << "unit1_pas.htm" << true;
    QTest::newRow("pas with page") << 0 << "unit1.pas"
                                   << "unit1_pas.htm"
                                   << "unit1_pas.htm" << false;
    QTest::newRow("upper-case type") << 0 << "Main.PAS"
                                     << ""
                                     << "Main_pas.htm" << true;
    QTest::newRow("dfm") << 1 << "form.dfm"
                         << ""
                         << "form_dfm.htm" << true;
    QTest::newRow("dpr, no suffix") << 2 << "proj.dpr"
                                    << "proj.htm"
                                    << "proj.htm" << false;
    QTest::newRow("page itself") << 3 << "page.htm"
                                 << ""
                                 << "" << false;
    QTest::newRow("other type") << 4 << "readme.txt"
                                << ""
                                << "" << false;
    QTest::newRow("Free Pascal unit, its own suffix") << 4 << "fpjson.pp"
                                                      << ""
                                                      << "fpjson_pp.htm" << true;
}

void TestDwelk001MainFiles::selectingShowsFileAndNames() {
    QFETCH(int, filter);
    QFETCH(QString, name);
    QFETCH(QString, existingPage);
    QFETCH(QString, htmlName);
    QFETCH(bool, yellow);
    if (!existingPage.isEmpty())
        WriteBytes(Src(existingPage), "<html></html>");
    if (!QFile::exists(Src(name)))
        WriteBytes(Src(name), "unit " + name.toUtf8() + ";\r\nbegin end.\r\n");
    auto window = StartInSources();
    TfMain* w = window.get();
    ChooseFilter(w, filter);
    ClickFile(w, name);
    QCOMPARE(w->SelectedFile(), Src(name));
    QCOMPARE(Control<QLineEdit>(w, "Edit_FN")->text(), name);
    auto* html = Control<QLineEdit>(w, "Edit_FN_html");
    QCOMPARE(html->text(), htmlName);
    QCOMPARE(EditColor(html), yellow ? clYellow : clInfoBk());
    auto* memo = Control<TSyntaxMemo>(w, "SyntMemo");
    QCOMPARE(memo->Lines().Text(), "unit " + name + ";\r\nbegin end.\r\n");

    // Clicking the selected entry again reads the file again and decides the colour anew.
    WriteBytes(Src(name), "changed");
    if (!htmlName.isEmpty())
        WriteBytes(Src(htmlName), "<html></html>");
    ClickFile(w, name);
    QCOMPARE(memo->Lines().Text(), QStringLiteral("changed\r\n"));
    QCOMPARE(EditColor(html), clInfoBk());

    // Without a mark, UTF-8 shows as UTF-8 and windows-1251 as before, as their pages read them.
    WriteBytes(Src(name), "// Stra\xC3\x9F"
                          "e \xD0\x9C");
    ClickFile(w, name);
    QCOMPARE(memo->Lines().Text(), QString::fromUtf8("// Straße М\r\n"));
    WriteBytes(Src(name), "// \xCF\xF0\xE8");
    ClickFile(w, name);
    QCOMPARE(memo->Lines().Text(), QString::fromUtf8("// При\r\n"));
}

void TestDwelk001MainFiles::keyboardSelection() {
    auto window = StartInSources();
    TfMain* w = window.get();
    auto* flb = Control<QListWidget>(w, "FLB");
    flb->setCurrentRow(0);
    QCOMPARE(Control<QLineEdit>(w, "Edit_FN")->text(), QStringLiteral("Main.PAS"));
    QTest::keyClick(flb, Qt::Key_Down);
    QCOMPARE(w->SelectedFile(), Src("unit1.pas"));
    QCOMPARE(Control<QLineEdit>(w, "Edit_FN")->text(), QStringLiteral("unit1.pas"));
    QCOMPARE(Control<TSyntaxMemo>(w, "SyntMemo")->Lines()[0], QStringLiteral("unit unit1.pas;"));
}

// After the caret went far along a long line, the next file must not open scrolled to a
// column beyond its text (a blank view).
void TestDwelk001MainFiles::anotherFileOpensAtItsTop() {
    WriteBytes(Src("unit1.pas"), "unit unit1;\r\n// " + QByteArray(3000, 'x') + "\r\nend.\r\n");
    auto window = StartInSources();
    TfMain* w = window.get();
    auto* memo = Control<TSyntaxMemo>(w, "SyntMemo");
    ClickFile(w, "unit1.pas");
    memo->SetPos(3000, 2);
    ClickFile(w, "Main.PAS");
    QCOMPARE(memo->GetPos(), QPoint(1, 1));
}

// Folder names may end in a blank; the page beside the file is looked up in that folder.
void TestDwelk001MainFiles::pageFoundInBlankEndedFolder() {
    QVERIFY(QDir(Src()).mkpath("old "));
    WriteBytes(Src("old /unit9.pas"), "unit unit9;\r\n");
    WriteBytes(Src("old /unit9_pas.htm"), "<html></html>");
    auto window = StartInSources();
    TfMain* w = window.get();
    OpenFolder(w, QDir::cleanPath(Src()) + "/old ");
    ClickFile(w, "unit9.pas");
    auto* html = Control<QLineEdit>(w, "Edit_FN_html");
    QCOMPARE(html->text(), QStringLiteral("unit9_pas.htm"));
    QCOMPARE(EditColor(html), clInfoBk());
}

void TestDwelk001MainFiles::newFolderClearsSelection() {
    auto window = StartInSources();
    TfMain* w = window.get();
    ClickFile(w, "unit1.pas");
    QVERIFY(!SourceViewEmpty(w));
    ChooseFilter(w, 1);
    QVERIFY(w->SelectedFile().isEmpty());
    QVERIFY(Control<QLineEdit>(w, "Edit_FN")->text().isEmpty());
    QVERIFY(Control<QLineEdit>(w, "Edit_FN_html")->text().isEmpty());
    QVERIFY(SourceViewEmpty(w));
    ClickFile(w, "form.dfm");
    OpenFolder(w, QDir::cleanPath(Src()) + "/Sub");
    QVERIFY(Control<QLineEdit>(w, "Edit_FN")->text().isEmpty());
    QVERIFY(SourceViewEmpty(w));
}

void TestDwelk001MainFiles::rememberAndReturn() {
    TModalAnswerer answerer;
    auto window = StartWindow();
    TfMain* w = window.get();
    const QString home = QDir::cleanPath(MainDir());
    QCOMPARE(w->BrowserFolder(), home);
    OpenFolder(w, home + "/src");
    Trigger(w, "N3");
    QCOMPARE(GetFromINI_StringParamDef(fnINI(), "FILES", "Dir", {}, true), home + "/src");
    Trigger(w, "N8");
    QCOMPARE(w->BrowserFolder(), home);
    Trigger(w, "N11");
    QCOMPARE(w->BrowserFolder(), home + "/src");
    QVERIFY(answerer.Texts().isEmpty());

    // After a restart the browser opens where it was remembered.
    window.reset();
    window = StartWindow();
    QCOMPARE(window->BrowserFolder(), home + "/src");
}

void TestDwelk001MainFiles::returnMessages_data() {
    QTest::addColumn<QString>("remembered");
    QTest::addColumn<QString>("message");
    QTest::newRow("nothing remembered") << ""
                                        << "А мы ничего и не помним...";
    QTest::newRow("only blanks") << "   "
                                 << "А мы ничего и не помним...";
    QTest::newRow("vanished folder") << "/no/such/folder"
                                     << "Ошибка! Папка не существует";
}

void TestDwelk001MainFiles::returnMessages() {
    QFETCH(QString, remembered);
    QFETCH(QString, message);
    auto window = StartInSources();
    TfMain* w = window.get();
    PutToINI_StringParam(fnINI(), "FILES", "Dir", remembered);
    TModalAnswerer answerer;
    Trigger(w, "N11");
    QCOMPARE(answerer.Texts(), QStringList{message});
    QCOMPARE(w->BrowserFolder(), QDir::cleanPath(Src()));
}

void TestDwelk001MainFiles::openWithDesktop() {
    const TOpenerStandIn opener;
    auto window = StartInSources();
    TfMain* w = window.get();
    Trigger(w, "N4"); // nothing selected: nothing opened
    QVERIFY(opener.Opened().isEmpty());
    ClickFile(w, "Main.PAS");
    Trigger(w, "N4");
    Trigger(w, "N1");
    QTRY_COMPARE_WITH_TIMEOUT(opener.Opened(),
                              (QStringList{Src("Main.PAS"), QDir::cleanPath(Src())}), kWebWait);

    // The folder vanished under the browser.
    OpenFolder(w, QDir::cleanPath(Src()) + "/another");
    QVERIFY(QDir(Src("another")).removeRecursively());
    TModalAnswerer answerer;
    Trigger(w, "N1");
    Trigger(w, "N3");
    QCOMPARE(answerer.Texts(),
             (QStringList{"Ошибка! Папка не найдена", "Ошибка! Папка не существует"}));
    QVERIFY(GetFromINI_StringParamDef(fnINI(), "FILES", "Dir", {}, true) == Src());
}

void TestDwelk001MainFiles::refreshShortcut() {
    auto window = StartInSources();
    TfMain* w = window.get();
    auto* flb = Control<QListWidget>(w, "FLB");
    WriteBytes(Src("added.pas"), "unit added;");
    QVERIFY(!Names(flb).contains("added.pas"));
    w->activateWindow();
    flb->setFocus();
    QVERIFY(QTest::qWaitFor([&] { return flb->hasFocus(); }));
    QTest::keyClick(flb, Qt::Key_R, Qt::ControlModifier);
    QVERIFY(Names(flb).contains("added.pas"));
}

void TestDwelk001MainFiles::unreadableSelection() {
    auto window = StartInSources();
    TfMain* w = window.get();
    // A binary file shows as text; a file that vanished shows nothing and no error.
    WriteBytes(Src("binary.pas"), QByteArray("\x00\x01\xFF\xFE\r\n\x80", 7));
    Trigger(w, "N13");
    ClickFile(w, "binary.pas");
    QCOMPARE(Control<TSyntaxMemo>(w, "SyntMemo")->Lines().Count(), 2);
    QVERIFY(QFile::remove(Src("unit1.pas")));
    TModalAnswerer answerer;
    ClickFile(w, "unit1.pas");
    QVERIFY(answerer.Texts().isEmpty());
    QVERIFY(Control<QLineEdit>(w, "Edit_FN")->text().isEmpty());
    QVERIFY(SourceViewEmpty(w));
}

void TestDwelk001MainFiles::previewShowsPageOrPlaceholder_data() {
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("page"); // empty: the placeholder
    QTest::addColumn<QString>("title");
    QTest::newRow("source with its page") << 0 << "unit1.pas"
                                          << "unit1_pas.htm"
                                          << "Unit page";
    QTest::newRow("source never converted") << 0 << "Main.PAS"
                                            << ""
                                            << "Quorvel_empty";
    QTest::newRow("upper-case page itself") << 3 << "index.HTML"
                                            << "index.HTML"
                                            << "Index";
    QTest::newRow("other type") << 4 << "readme.txt"
                                << ""
                                << "Quorvel_empty";
}

void TestDwelk001MainFiles::previewShowsPageOrPlaceholder() {
    QFETCH(int, filter);
    QFETCH(QString, name);
    QFETCH(QString, page);
    QFETCH(QString, title);
    WriteBytes(Src("unit1_pas.htm"), "<html><head><title>Unit page</title></head></html>");
    WriteBytes(Src("index.HTML"), "<html><head><title>Index</title>"
                                  "<script>document.title='scripted'</script></head></html>");
    auto window = StartInSources();
    TfMain* w = window.get();
    auto* web = Control<TWebBrowser>(w, "WebBr");
    auto* pane = Control<QGroupBox>(w, "GroupBox_WebBr");
    auto* label = Control<QLabel>(w, "Label_FNhtml");
    QVERIFY(!pane->isVisible());
    Control<QCheckBox>(w, "cb_WebBr_Show")->click();
    QVERIFY(pane->isVisible());
    // Nothing selected yet: the placeholder.
    QTRY_COMPARE_WITH_TIMEOUT(web->url(), QUrl::fromLocalFile(MainDir() + "Quorvel_empty.htm"),
                              kWebWait);
    QCOMPARE(label->text(), QString());

    ChooseFilter(w, filter);
    ClickFile(w, name);
    const QString shown = page.isEmpty() ? MainDir() + "Quorvel_empty.htm" : Src(page);
    QTRY_COMPARE_WITH_TIMEOUT(web->url(), QUrl::fromLocalFile(shown), kWebWait);
    QTRY_COMPARE_WITH_TIMEOUT(web->title(), title, kWebWait);
    QCOMPARE(label->text(), page.isEmpty() ? QString() : Src(page));
    QCOMPARE(web->BrowserVisible(), !page.isEmpty());

    // Switching the preview off hides the pane and leaves the browser as it was.
    Control<QCheckBox>(w, "cb_WebBr_Show")->click();
    QVERIFY(!pane->isVisible());
    QCOMPARE(web->url(), QUrl::fromLocalFile(shown));
}

void TestDwelk001MainFiles::openHtmlButton() {
    const TOpenerStandIn opener;
    WriteBytes(Src("unit1_pas.htm"), "<html></html>");
    auto window = StartInSources();
    TfMain* w = window.get();
    auto* button = Control<QToolButton>(w, "sb_HTML_open");
    TModalAnswerer answerer;
    button->click(); // nothing selected
    ClickFile(w, "unit1.pas");
    button->click();
    ClickFile(w, "Main.PAS");
    button->click();
    ChooseFilter(w, 3);
    ClickFile(w, "page.htm");
    button->click();
    QCOMPARE(answerer.Texts(), QStringList{"Ошибка! HTML-файл не найден"});
    QCOMPARE(opener.Opened(), (QStringList{Src("unit1_pas.htm"), Src("page.htm")}));
}

// A page from the user's folder may name remote addresses; the preview fetches none.
void TestDwelk001MainFiles::previewReachesNoNetwork() {
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const QByteArray remote = "http://127.0.0.1:" + QByteArray::number(server.serverPort());
    WriteBytes(Src("unit1_pas.htm"), "<html><head><title>Remote</title><link rel=\"stylesheet\" "
                                     "href=\"" +
                                         remote + "/s.css\"></head><body><img src=\"" + remote +
                                         "/i.png\"></body></html>");
    auto window = StartInSources();
    TfMain* w = window.get();
    auto* web = Control<TWebBrowser>(w, "WebBr");
    Control<QCheckBox>(w, "cb_WebBr_Show")->click();
    QSignalSpy loaded(web, &QWebEngineView::loadFinished);
    ClickFile(w, "unit1.pas");
    QTRY_COMPARE_WITH_TIMEOUT(web->title(), QStringLiteral("Remote"), kWebWait);
    QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), kWebWait);
    QTest::qWait(300);
    QVERIFY(!server.hasPendingConnections());
}

void TestDwelk001MainFiles::openAtStart_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("message");
    QTest::newRow("folder") << "Sub"
                            << "Sub"
                            << "" << 0 << "";
    QTest::newRow("unit") << "zeta.Pas"
                          << ""
                          << "zeta.Pas" << 0 << "";
    QTest::newRow("file in another folder") << "Sub/inner.pas"
                                            << "Sub"
                                            << "inner.pas" << 0 << "";
    QTest::newRow("form switches the filter") << "Form2.DFM"
                                              << ""
                                              << "Form2.DFM" << 1 << "";
    QTest::newRow("any other type shows all files") << "readme.txt"
                                                    << ""
                                                    << "readme.txt" << 4 << "";
    QTest::newRow("a hidden file is listed") << ".hidden.pas"
                                             << ""
                                             << ".hidden.pas" << 0 << "";
    QTest::newRow("missing path leaves the remembered folder")
        << "gone.pas"
        << ""
        << "" << 0 << "Файл или папка не найдены: %1";
}

void TestDwelk001MainFiles::openAtStart() {
    QFETCH(QString, path);
    QFETCH(QString, folder);
    QFETCH(QString, selected);
    QFETCH(int, filter);
    QFETCH(QString, message);
    PutToINI_StringParam(fnINI(), "FILES", "Dir", Src());
    TModalAnswerer answerer;
    auto window = std::make_unique<TfMain>();
    window->OpenAtStart(Src(path));
    window->show();
    QVERIFY(QTest::qWaitFor([&] { return !window->ItsFirst(); }));
    TfMain* w = window.get();
    QCOMPARE(answerer.Texts(),
             message.isEmpty() ? QStringList() : QStringList{message.arg(Src(path))});
    QCOMPARE(w->BrowserFolder(), QDir::cleanPath(Src(folder)));
    QCOMPARE(Control<QComboBox>(w, "FCB")->currentIndex(), filter);
    const QString dir = folder.isEmpty() ? QString() : folder + "/";
    QCOMPARE(w->SelectedFile(), selected.isEmpty() ? QString() : Src(dir + selected));
    QCOMPARE(Control<QLineEdit>(w, "Edit_FN")->text(), selected);
    if (!selected.isEmpty())
        QCOMPARE(Control<TSyntaxMemo>(w, "SyntMemo")->Lines().Text(),
                 QString::fromLatin1(ReadBytes(Src(dir + selected))));
}

// A right click in the preview opens its Russian menu, and each item acts on the preview.
void TestDwelk001MainFiles::previewMenu() {
    WriteBytes(Src("unit1_pas.htm"), "<html><head><title>One</title></head>"
                                     "<body><p>first <a href=\"unit2_pas.htm\">page</a></p>"
                                     "</body></html>");
    WriteBytes(Src("unit2_pas.htm"), "<html><head><title>Two</title></head>"
                                     "<body><p>second page</p></body></html>");
    WriteBytes(Src("unit2.pas"), "unit unit2;\r\n");
    auto window = StartInSources();
    TfMain* w = window.get();
    w->showNormal();
    auto* web = Control<TWebBrowser>(w, "WebBr");
    Control<QCheckBox>(w, "cb_WebBr_Show")->click();
    ClickFile(w, "unit1.pas");
    QTRY_COMPARE_WITH_TIMEOUT(web->title(), QStringLiteral("One"), kWebWait);
    ClickFile(w, "unit2.pas");
    QTRY_COMPARE_WITH_TIMEOUT(web->title(), QStringLiteral("Two"), kWebWait);

    const auto choose = [w, web](const QString& caption) {
        return ChoosePreviewItem(w, web, caption);
    };

    QVERIFY(choose("Назад"));
    QTRY_COMPARE_WITH_TIMEOUT(web->title(), QStringLiteral("One"), kWebWait);
    QVERIFY(choose("Вперёд"));
    QTRY_COMPARE_WITH_TIMEOUT(web->title(), QStringLiteral("Two"), kWebWait);
    QSignalSpy loads(web, &QWebEngineView::loadFinished);
    QVERIFY(choose("Обновить"));
    QTRY_VERIFY_WITH_TIMEOUT(!loads.isEmpty(), kWebWait);
    QVERIFY(!web->hasSelection());
    QVERIFY(choose("Выделить всё"));
    QTRY_VERIFY_WITH_TIMEOUT(web->hasSelection(), kWebWait);
    QGuiApplication::clipboard()->clear();
    QVERIFY(choose("Копировать"));
    QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::clipboard()->text().trimmed(),
                              QStringLiteral("second page"), kWebWait);
    QCOMPARE(web->url(), QUrl::fromLocalFile(Src("unit2_pas.htm")));
}

// The preview follows links between the pages of the browsed folder's tree, back and forth,
// naming the page shown; a frame from elsewhere on the disk or the network stays empty.
void TestDwelk001MainFiles::previewBrowsesItsTree() {
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const QByteArray remote = "http://127.0.0.1:" + QByteArray::number(server.serverPort());
    const QTemporaryDir outside;
    WriteBytes(outside.filePath("passwd.htm"), "<html><body>Quagga</body></html>");
    const QByteArray link = "<a style=\"display:block;height:120px\" href=\"";
    WriteBytes(Src("unit1_pas.htm"),
               "<html><head><title>One</title></head><body>" + link +
                   "sub/unit2_pas.htm#decl\">next</a><iframe src=\"sub/frame.htm\"></iframe>"
                   "<iframe src=\"" +
                   QUrl::fromLocalFile(outside.filePath("passwd.htm")).toEncoded() +
                   "\"></iframe><img src=\"" + remote + "/i.png\"></body></html>");
    WriteBytes(Src("sub/frame.htm"), "<html><body>Aardvark</body></html>");
    WriteBytes(Src("sub/unit2_pas.htm"), "<html><head><title>Two</title></head><body>" + link +
                                             "../unit1_pas.htm\">back</a><p id=\"decl\">"
                                             "declared</p></body></html>");
    auto window = StartInSources();
    TfMain* w = window.get();
    w->showNormal();
    auto* web = Control<TWebBrowser>(w, "WebBr");
    auto* label = Control<QLabel>(w, "Label_FNhtml");
    Control<QCheckBox>(w, "cb_WebBr_Show")->click();
    QSignalSpy loaded(web, &QWebEngineView::loadFinished);
    ClickFile(w, "unit1.pas");
    QTRY_COMPARE_WITH_TIMEOUT(web->title(), QStringLiteral("One"), kWebWait);
    QTRY_VERIFY_WITH_TIMEOUT(loaded.contains(QVariantList{true}), kWebWait);
    QCOMPARE(MatchesShown(web, "Aardvark"), 1);
    QCOMPARE(MatchesShown(web, "Quagga"), 0);
    QVERIFY(!server.hasPendingConnections());

    QSignalSpy moved(web, &QWebEngineView::urlChanged);
    QTest::mouseClick(web->focusProxy(), Qt::LeftButton, {}, QPoint(20, 20));
    QTRY_COMPARE_WITH_TIMEOUT(web->title(), QStringLiteral("Two"), kWebWait);
    QTRY_VERIFY_WITH_TIMEOUT(!moved.isEmpty(), kWebWait);
    QCOMPARE(web->url(), QUrl(QUrl::fromLocalFile(Src("sub/unit2_pas.htm")).toString() + "#decl"));
    QCOMPARE(label->text(), Src("sub/unit2_pas.htm"));

    QVERIFY(ChoosePreviewItem(w, web, "Назад"));
    QTRY_COMPARE_WITH_TIMEOUT(web->title(), QStringLiteral("One"), kWebWait);
    QTRY_COMPARE_WITH_TIMEOUT(label->text(), Src("unit1_pas.htm"), kWebWait);
    QVERIFY(ChoosePreviewItem(w, web, "Вперёд"));
    QTRY_COMPARE_WITH_TIMEOUT(web->title(), QStringLiteral("Two"), kWebWait);
    QTRY_COMPARE_WITH_TIMEOUT(label->text(), Src("sub/unit2_pas.htm"), kWebWait);
}

QTEST_MAIN(TestDwelk001MainFiles)
#include "test_dwelk_001_main_files.moc"
