// What the preview may load: files of the tree the shown page came from, whatever names,
// links and history steps lead to.

#include "PreviewScope.h"
#include "TestFiles.h"

#include <QTemporaryDir>
#include <QtTest>

class TestPreviewScope : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void allows_data();
    void allows();
    void historyReturnsToTheTreeOfEachPage();

private:
    QUrl File(const QString& name, const QString& fragment = {}) const {
        QUrl url = QUrl::fromLocalFile(FDir.filePath(name));
        url.setFragment(fragment.isEmpty() ? QString() : fragment);
        return url;
    }
    QTemporaryDir FDir;
};

void TestPreviewScope::initTestCase() {
    for (const char* name : {"site/a.htm", "site/sub/b.htm", "site2/c.htm", "outside/secret.htm"})
        WriteBytes(FDir.filePath(name), "<html></html>");
    QVERIFY(QFile::link(FDir.filePath("outside"), FDir.filePath("site/out")));
    QVERIFY(QFile::link(FDir.filePath("site/sub/b.htm"), FDir.filePath("site/b-link.htm")));
    QVERIFY(QFile::link(FDir.filePath("outside/secret.htm"), FDir.filePath("site/secret.htm")));
}

void TestPreviewScope::allows_data() {
    QTest::addColumn<QString>("tree");
    QTest::addColumn<QString>("url"); // a name in the folder, or a whole address
    QTest::addColumn<bool>("allowed");
    QTest::newRow("page of the tree") << "site"
                                      << "site/a.htm" << true;
    QTest::newRow("page in a subfolder") << "site"
                                         << "site/sub/b.htm" << true;
    QTest::newRow("link to a page inside") << "site"
                                           << "site/b-link.htm" << true;
    QTest::newRow("folder of the tree") << "site"
                                        << "site/sub" << true;
    QTest::newRow("up and out by name") << "site"
                                        << "site/../outside/secret.htm" << false;
    QTest::newRow("folder whose name extends the tree's") << "site"
                                                          << "site2/c.htm" << false;
    QTest::newRow("linked folder leading out") << "site"
                                               << "site/out/secret.htm" << false;
    QTest::newRow("linked file leading out") << "site"
                                             << "site/secret.htm" << false;
    QTest::newRow("missing file") << "site"
                                  << "site/none.htm" << false;
    QTest::newRow("system file") << "site"
                                 << "file:///etc/passwd" << false;
    QTest::newRow("file on another host") << "site"
                                          << "file://example.org/etc/passwd" << false;
    QTest::newRow("remote") << "site"
                            << "http://127.0.0.1/a.htm" << false;
    QTest::newRow("secure remote") << "site"
                                   << "https://example.org/" << false;
    QTest::newRow("inline data") << "site"
                                 << "data:image/png;base64,AAAA" << true;
    QTest::newRow("single file tree: the file") << "site/a.htm"
                                                << "site/a.htm" << true;
    QTest::newRow("single file tree: its neighbour") << "site/a.htm"
                                                     << "site/sub/b.htm" << false;
    QTest::newRow("no tree yet") << ""
                                 << "site/a.htm" << false;
}

void TestPreviewScope::allows() {
    QFETCH(QString, tree);
    QFETCH(QString, url);
    QFETCH(bool, allowed);
    TPreviewScope scope;
    if (!tree.isEmpty())
        scope.Enter(FDir.filePath(tree));
    const QUrl address = url.contains(u':') ? QUrl(url) : File(url);
    QCOMPARE(scope.Allows(address), allowed);
    QCOMPARE(scope.AcceptNavigation(address, false, true), allowed);
}

// Going back to a page shown from another tree lets it load from its own tree again, not
// from the tree of the page left.
void TestPreviewScope::historyReturnsToTheTreeOfEachPage() {
    TPreviewScope scope;
    scope.Enter(FDir.filePath("site"));
    QVERIFY(scope.AcceptNavigation(File("site/a.htm"), false, true));
    QVERIFY(scope.AcceptNavigation(File("site/sub/b.htm", "decl"), false, true));
    scope.Enter(FDir.filePath("site2"));
    QVERIFY(scope.AcceptNavigation(File("site2/c.htm"), false, true));
    QVERIFY(!scope.Allows(File("site/a.htm")));
    QVERIFY(!scope.AcceptNavigation(File("site/sub/b.htm"), false, true));

    QVERIFY(scope.AcceptNavigation(File("site/sub/b.htm", "other"), true, true));
    QVERIFY(scope.Allows(File("site/a.htm")));
    QVERIFY(!scope.Allows(File("site2/c.htm")));
    // A frame never switches the tree, even on a history step.
    QVERIFY(!scope.AcceptNavigation(File("site2/c.htm"), true, false));
    QVERIFY(scope.AcceptNavigation(File("site2/c.htm"), true, true));
    QVERIFY(scope.Allows(File("site2/c.htm")));
    QVERIFY(!scope.Allows(File("site/a.htm")));
}

QTEST_GUILESS_MAIN(TestPreviewScope)
#include "test_PreviewScope.moc"
