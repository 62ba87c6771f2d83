// The window as a desktop program: closing it (or ending the session) during a whole-list
// run, the progress at the end of a run, its own icon, and files dropped on it.

#include "AppIcon.h"
#include "CloseOnSignals.h"
#include "TestFiles.h"
#include "WindowTestKit.h"
#include "__pas2html.h"
#include "synmemo.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTabWidget>
#include <QToolButton>
#include <csignal>
#include <unistd.h>

namespace {

const QByteArray UnitText = "unit u;\r\ninterface\r\nimplementation\r\nend.\r\n";
const QString ConvertAllQuestion =
    QStringLiteral("Желаете конвертировать в HTML-формат все файлы из списка?");

// Notes each message box as it shows, with the progress bar's text at that moment.
class TBoxWatcher : public QObject {
public:
    explicit TBoxWatcher(QProgressBar* progress) : FProgress(progress) {
        qApp->installEventFilter(this);
    }
    ~TBoxWatcher() override { qApp->removeEventFilter(this); }
    TBoxWatcher(const TBoxWatcher&) = delete;
    TBoxWatcher& operator=(const TBoxWatcher&) = delete;
    // "text: progress" for each box.
    const QStringList& Seen() const { return FSeen; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show)
            if (auto* box = qobject_cast<QMessageBox*>(watched))
                FSeen << box->text() + ": " + FProgress->text();
        return false;
    }

private:
    QProgressBar* FProgress;
    QStringList FSeen;
};

qsizetype PagesIn(const QString& dir) {
    return QDir(dir).entryList({"*.htm"}, QDir::Files).size();
}

// A drop as a file manager makes it: enter, then drop, on `target`; the window acts on it
// once the drop has returned.
bool Drop(QWidget* window, QWidget* target, const QList<QUrl>& urls) {
    QMimeData mime;
    mime.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QCoreApplication::sendPostedEvents(window, QEvent::MetaCall);
    return drop.isAccepted();
}

} // namespace

class TestDwelk001MainDesktop : public QObject {
    Q_OBJECT

private slots:
    void init() { FFolder = std::make_unique<TSourcesFolder>(); }
    void closingStopsTheRun_data();
    void closingStopsTheRun();
    void doneShowsEveryFile();
    void ownIcon();
    void toolPicturesForScaledScreens();
    void smallestWindowKeepsNamesReadable();
    void dropOpens_data();
    void dropOpens();
    void dropOnSourcePastesText_data();
    void dropOnSourcePastesText();

private:
    QString Src(const QString& name = {}) const { return FFolder->Src(name); }

    std::unique_ptr<TSourcesFolder> FFolder;
};

void TestDwelk001MainDesktop::closingStopsTheRun_data() {
    QTest::addColumn<int>("signal"); // 0: the window's close button; -1: the desktop's quit
    QTest::newRow("close button") << 0;
    QTest::newRow("desktop quit") << -1;
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

// Closing during a run ends it between two files without the stop box, and the window
// closes once the run has ended; every page written is whole.
void TestDwelk001MainDesktop::closingStopsTheRun() {
    QFETCH(int, signal);
    const int count = 1000;
    for (int i = 0; i < count; ++i)
        WriteBytes(Src(QStringLiteral("u%1.pas").arg(i, 3, 10, QLatin1Char('0'))), UnitText);
    const TCloseOnSignals closeOnSignals;
    auto window = FFolder->StartWindow();
    TfMain* w = window.get();
    auto* progress = Control<QProgressBar>(w, "ProgressBar_Run");
    bool closing = false;
    qsizetype pagesAtClose = 0;
    connect(progress, &QProgressBar::valueChanged, w, [&](int value) {
        if (closing || value < 3)
            return;
        closing = true;
        pagesAtClose = PagesIn(Src());
        if (signal == 0)
            QVERIFY(!w->close()); // refused while the run ends
        else if (signal < 0) {
            // What quit() sends once the program's event loop runs (a test has none).
            QEvent quit(QEvent::Quit);
            QCoreApplication::sendEvent(qApp, &quit);
            QVERIFY(!quit.isAccepted()); // refused while the run ends
        } else
            ::kill(::getpid(), signal);
    });
    TModalAnswerer answerer;
    Control<QToolButton>(w, "btn_Files_ToHtml")->click();
    QVERIFY(closing);
    QCOMPARE(answerer.Texts(), QStringList{ConvertAllQuestion});
    QVERIFY(!w->ListRunActive());
    QVERIFY(!w->isVisible());
    // At most the page in hand and those before the next look at the input were added.
    const qsizetype written = PagesIn(Src());
    QVERIFY(written >= pagesAtClose);
    QVERIFY(written < count);
    TStrings tags;
    htmlTextAttr_Def1(&tags);
    QTemporaryDir expected;
    for (const QString& page : QDir(Src()).entryList({"*.htm"}, QDir::Files)) {
        const QString source = Src(page.left(4) + ".pas");
        QVERIFY(FilePas_2_FileHtml(source, expected.filePath(page), TitleFromFileName(source),
                                   &tags, nullptr, nullptr, true));
        QCOMPARE(ReadBytes(Src(page)), ReadBytes(expected.filePath(page)));
    }
}

// The bar is updated only now and then during a run, but says all at the end.
void TestDwelk001MainDesktop::doneShowsEveryFile() {
    const int count = 60;
    for (int i = 0; i < count; ++i)
        WriteBytes(Src(QStringLiteral("u%1.pas").arg(i, 3, 10, QLatin1Char('0'))), UnitText);
    auto window = FFolder->StartWindow();
    TfMain* w = window.get();
    TBoxWatcher watcher(Control<QProgressBar>(w, "ProgressBar_Run"));
    TModalAnswerer answerer;
    Control<QToolButton>(w, "btn_Files_ToHtml")->click();
    QCOMPARE(watcher.Seen().size(), 2);
    QCOMPARE(watcher.Seen().last(), QStringLiteral("Готово!: 60 из 60"));
    QCOMPARE(PagesIn(Src()), count);
}

void TestDwelk001MainDesktop::ownIcon() {
    const QIcon icon = AppIcon();
    QVERIFY(!icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    QVERIFY(sizes.contains(QSize(16, 16)));
    QVERIFY(sizes.contains(QSize(256, 256)));
    // Each size is drawn for itself: the largest is not a small one blown up.
    const QImage large = icon.pixmap(256).toImage();
    QCOMPARE(large.size(), QSize(256, 256));
    QVERIFY(large.pixelColor(128, 128).alpha() > 0);
    QCOMPARE(DesktopFileName + ".desktop", QStringLiteral("org.dwelk.Dwelk.desktop"));
    QVERIFY(QFileInfo::exists(QStringLiteral(DWELK_SOURCE_DIR "/packaging/") + DesktopFileName +
                              ".desktop"));
}

// Every tool-button picture has a twin of twice its size, which a screen scaled 2 shows as
// it is, in both states.
void TestDwelk001MainDesktop::toolPicturesForScaledScreens() {
    const QStringList pictures = QDir(":/icons").entryList({"*.png"});
    QVERIFY(pictures.size() >= 20);
    for (const QString& name : pictures) {
        const QString twin =
            name.contains("@2x") ? name.chopped(7) + ".png" : name.chopped(4) + "@2x.png";
        QVERIFY2(pictures.contains(twin), qPrintable(name));
        const QSize size = QImage(":/icons/" + name).size();
        QCOMPARE(size, name.contains("@2x") ? QSize(32, 32) : QSize(16, 16));
    }
    auto window = FFolder->StartWindow();
    const QIcon icon = Control<QToolButton>(window.get(), "btn_Files_ToHtml")->icon();
    for (const auto& [mode, file] :
         {std::pair{QIcon::Normal, QStringLiteral(":/icons/convert_all@2x.png")},
          std::pair{QIcon::Disabled, QStringLiteral(":/icons/convert_all_disabled@2x.png")}}) {
        const QImage shown = icon.pixmap(QSize(16, 16), 2.0, mode).toImage();
        QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 QImage(file).convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }
}

// At the window's smallest size the lists still show whole names of a usual length.
void TestDwelk001MainDesktop::smallestWindowKeepsNamesReadable() {
    QVERIFY(QDir().mkpath(Src("Pascal sources 2024")));
    WriteBytes(Src("SomeLongerUnit1.pas"), UnitText);
    auto window = FFolder->StartWindow();
    TfMain* w = window.get();
    w->showNormal();
    w->resize(w->minimumSizeHint());
    QVERIFY(QTest::qWaitFor([&] { return w->size() == w->minimumSizeHint(); }));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    for (const auto& [list, name] :
         {std::pair{"DLB", "Pascal sources 2024"}, std::pair{"FLB", "SomeLongerUnit1.pas"}}) {
        auto* view = Control<QListWidget>(w, list);
        const QList<QListWidgetItem*> found = view->findItems(name, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        // The entries of a list share the width of its widest one; this one needs its own.
        QStyleOptionViewItem option;
        option.initFrom(view->viewport());
        option.font = view->font();
        option.fontMetrics = QFontMetrics(view->font());
        option.decorationSize = view->iconSize().isValid()
                                    ? view->iconSize()
                                    : QSize(view->style()->pixelMetric(QStyle::PM_SmallIconSize),
                                            view->style()->pixelMetric(QStyle::PM_SmallIconSize));
        const QModelIndex index = view->model()->index(view->row(found.first()), 0);
        const int needed = view->itemDelegate()->sizeHint(option, index).width();
        QVERIFY2(needed <= view->viewport()->width(),
                 qPrintable(QStringLiteral("%1: %2 of %3")
                                .arg(name)
                                .arg(needed)
                                .arg(view->viewport()->width())));
    }
}

void TestDwelk001MainDesktop::dropOpens_data() {
    QTest::addColumn<QStringList>("dropped"); // paths below the sources, or whole URLs
    QTest::addColumn<QString>("folder");      // below the sources
    QTest::addColumn<QString>("selected");
    QTest::addColumn<int>("filter");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("a unit") << QStringList{"sub/b.pas"} << "sub"
                            << "b.pas" << 0 << QStringList{};
    QTest::newRow("a form switches the filter") << QStringList{"f.dfm"} << ""
                                                << "f.dfm" << 1 << QStringList{};
    QTest::newRow("a folder") << QStringList{"sub"} << "sub"
                              << "" << 0 << QStringList{};
    QTest::newRow("several open the first")
        << QStringList{"sub/b.pas", "a.pas", "f.dfm"} << "sub"
        << "b.pas" << 0 << QStringList{"Открыт только первый из перетащенных; не открыто: 2"};
    QTest::newRow("a remote address is refused")
        << QStringList{"https://example.org/a.pas"} << ""
        << "" << 0
        << QStringList{"Открыть можно только файл или папку этого компьютера, не "
                       "https://example.org/a.pas"};
    QTest::newRow("a vanished file") << QStringList{"gone.pas"} << ""
                                     << "" << 0 << QStringList{"Файл или папка не найдены: %1"};
}

void TestDwelk001MainDesktop::dropOpens() {
    QFETCH(QStringList, dropped);
    QFETCH(QString, folder);
    QFETCH(QString, selected);
    QFETCH(int, filter);
    QFETCH(QStringList, messages);
    for (const char* name : {"a.pas", "f.dfm", "sub/b.pas"})
        WriteBytes(Src(name), UnitText);
    auto window = FFolder->StartWindow();
    TfMain* w = window.get();
    QList<QUrl> urls;
    for (const QString& item : dropped)
        urls << (item.contains(':') ? QUrl(item) : QUrl::fromLocalFile(Src(item)));
    TModalAnswerer answerer;
    QVERIFY(Drop(w, Control<QListWidget>(w, "FLB")->viewport(), urls));
    for (QString& message : messages)
        if (message.contains("%1"))
            message = message.arg(Src(dropped.first()));
    QCOMPARE(answerer.Texts(), messages);
    QCOMPARE(w->BrowserFolder(), QDir::cleanPath(Src(folder)));
    QCOMPARE(Control<QComboBox>(w, "FCB")->currentIndex(), filter);
    QCOMPARE(w->SelectedFile(), selected.isEmpty() ? QString() : Src(dropped.first()));
    if (!selected.isEmpty())
        QCOMPARE(Control<TSyntaxMemo>(w, "SyntMemo")->Lines().Text(),
                 QString::fromLatin1(UnitText));
}

void TestDwelk001MainDesktop::dropOnSourcePastesText_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("pasted"); // what the source holds after the drop
    QTest::addColumn<QString>("message");
    QTest::newRow("unmarked UTF-8") << QByteArray("a := '\xD0\xAF';\r\nb;\n") << "a := 'Я';\r\nb;x"
                                    << "";
    QTest::newRow("windows-1251") << QByteArray("a := '\xDF';") << "a := 'Я';x"
                                  << "";
    QTest::newRow("UTF-8 mark") << QByteArray("\xEF\xBB\xBFz") << "zx"
                                << "";
    QTest::newRow("a folder is no text") << QByteArray() << "x"
                                         << "Вставить можно только текст файла, не %1";
}

// The file's text goes in at the caret, read as a conversion reads it.
void TestDwelk001MainDesktop::dropOnSourcePastesText() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, pasted);
    QFETCH(QString, message);
    const QString path = message.isEmpty() ? Src("dropped.pas") : Src("folder");
    if (message.isEmpty())
        WriteBytes(path, bytes);
    else
        QVERIFY(QDir().mkpath(path));
    auto window = FFolder->StartWindow();
    TfMain* w = window.get();
    const QString folderBefore = w->BrowserFolder();
    Control<QTabWidget>(w, "pcFiles")->setCurrentWidget(Control<QWidget>(w, "tsClip"));
    auto* source = Control<TSyntaxMemo>(w, "SyntMemo2");
    source->Lines().SetText(u"x");
    TModalAnswerer answerer;
    QVERIFY(Drop(w, source, {QUrl::fromLocalFile(path)}));
    QCOMPARE(answerer.Texts(), message.isEmpty() ? QStringList() : QStringList{message.arg(path)});
    QCOMPARE(source->Lines().Text(), pasted + "\r\n");
    QCOMPARE(w->BrowserFolder(), folderBefore);
}

QTEST_MAIN(TestDwelk001MainDesktop)
#include "test_dwelk_001_main_desktop.moc"
