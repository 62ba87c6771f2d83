// The program folder, the settings file and the HTML naming rule.

#include "dwelk_000_lib.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QtTest>

class TestDwelk000Lib : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void placesFollowTheExecutable();
    void programPlaces_data();
    void programPlaces();
    void setMainDirMovesBoth_data();
    void setMainDirMovesBoth();
    void fnHTML_get_data();
    void fnHTML_get();
};

// Every test starts from the places of this program, run from the build tree.
void TestDwelk000Lib::cleanup() {
    SetProgramPlaces(QCoreApplication::applicationFilePath(), {}, {});
}

void TestDwelk000Lib::placesFollowTheExecutable() {
    const QString executable = QCoreApplication::applicationFilePath();
    QCOMPARE(MainDir(), QCoreApplication::applicationDirPath() + "/");
    QVERIFY(!executable.endsWith(".ini"));
    QCOMPARE(fnINI(), executable + ".ini");
}

// Paths below a scratch folder; "usr/bin" stands for the compiled-in bin folder and "bin" is
// a link to it, as on merged-/usr systems. The scratch folder is writable (and root may
// write anywhere), so the choice cannot rest on permissions.
void TestDwelk000Lib::programPlaces_data() {
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QString>("installedBinDir");
    QTest::addColumn<QString>("mainDir");
    QTest::newRow("run from the build tree") << "build/bin/dwelk"
                                             << "usr/bin"
                                             << "build/bin/";
    QTest::newRow("installed") << "usr/bin/dwelk"
                               << "usr/bin"
                               << "data/dwelk/";
    QTest::newRow("installed, bin folder with a final slash") << "usr/bin/dwelk"
                                                              << "usr/bin/"
                                                              << "data/dwelk/";
    QTest::newRow("installed, started through a linked folder") << "bin/dwelk"
                                                                << "usr/bin"
                                                                << "data/dwelk/";
    QTest::newRow("a folder named alike is not the bin folder") << "usr/bin2/dwelk"
                                                                << "usr/bin"
                                                                << "usr/bin2/";
    QTest::newRow("no bin folder compiled in") << "usr/bin/dwelk"
                                               << ""
                                               << "usr/bin/";
}

void TestDwelk000Lib::programPlaces() {
    QFETCH(QString, executable);
    QFETCH(QString, installedBinDir);
    QFETCH(QString, mainDir);
    QTemporaryDir scratch;
    const QDir root(scratch.path());
    for (const char* dir : {"build/bin", "usr/bin", "usr/bin2"})
        QVERIFY(root.mkpath(dir));
    QVERIFY(QFile::link("usr/bin", root.filePath("bin")));
    const QString dataDir = root.filePath("data/dwelk");
    SetProgramPlaces(root.filePath(executable),
                     installedBinDir.isEmpty() ? QString() : root.filePath(installedBinDir),
                     dataDir);
    QCOMPARE(MainDir(), root.filePath(mainDir));
    QCOMPARE(fnINI(), root.filePath(mainDir) + "dwelk.ini");
    // The user's data folder exists from the start; the build tree gets nothing new.
    QCOMPARE(QFileInfo(dataDir).isDir(), mainDir.startsWith("data/"));
    // Installed, a first start opens the browser at home, not in the empty data folder.
    QCOMPARE(FirstStartDir(), mainDir.startsWith("data/") ? QDir::homePath() : MainDir());
}

void TestDwelk000Lib::setMainDirMovesBoth_data() {
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("mainDir");
    QTest::newRow("without a final slash") << "/tmp/x"
                                           << "/tmp/x/";
    QTest::newRow("with a final slash") << "/tmp/x/"
                                        << "/tmp/x/";
    QTest::newRow("blanks around") << "  /tmp/x  "
                                   << "/tmp/x/";
}

void TestDwelk000Lib::setMainDirMovesBoth() {
    QFETCH(QString, given);
    QFETCH(QString, mainDir);
    const QString settingsName = QFileInfo(fnINI()).fileName();
    SetMainDir(given);
    QCOMPARE(MainDir(), mainDir);
    QCOMPARE(fnINI(), mainDir + settingsName);
    QCOMPARE(settingsName, QCoreApplication::applicationName() + ".ini");
}

void TestDwelk000Lib::fnHTML_get_data() {
    QTest::addColumn<QString>("fnPas");
    QTest::addColumn<int>("NrExt");
    QTest::addColumn<QString>("sSuff");
    QTest::addColumn<QString>("result");
    QTest::newRow("suffix, htm") << "/src/Unit1.pas" << 0 << "_pas"
                                 << "/src/Unit1_pas.htm";
    QTest::newRow("suffix, html") << "/src/Unit1.pas" << 1 << "_pas"
                                  << "/src/Unit1_pas.html";
    QTest::newRow("index above 1 is html") << "/src/Unit1.pas" << 5 << ""
                                           << "/src/Unit1.html";
    QTest::newRow("negative index is htm") << "/src/Unit1.pas" << -1 << ""
                                           << "/src/Unit1.htm";
    QTest::newRow("empty suffix") << "Unit1.dfm" << 0 << ""
                                  << "Unit1.htm";
    QTest::newRow("blank suffix") << "Unit1.dfm" << 0 << "   "
                                  << "Unit1.htm";
    QTest::newRow("dot in the folder is no extension") << "/my.dir/readme" << 0 << ""
                                                       << "/my.dir/readme.htm";
    QTest::newRow("dot in the folder, with suffix") << "/my.dir/readme" << 0 << "_x"
                                                    << "/my.dir/readme_x.htm";
    QTest::newRow("only the last extension goes") << "/src/Unit1.pas.bak" << 0 << ""
                                                  << "/src/Unit1.pas.htm";
    QTest::newRow("blank name") << "   " << 0 << "_pas"
                                << "";
    QTest::newRow("empty name") << "" << 1 << ""
                                << "";
    QTest::newRow("name and suffix trimmed") << "  /src/Main.PAS \t" << 0 << "  _x  "
                                             << "/src/Main_x.htm";
    QTest::newRow("blanks before the extension go with a suffix")
        << "/src/Unit1 .pas" << 0 << "_pas"
        << "/src/Unit1_pas.htm";
    QTest::newRow("blanks before the extension stay without one") << "/src/Unit1 .pas" << 0 << ""
                                                                  << "/src/Unit1 .htm";
    QTest::newRow("project file") << "/src/Project1.dpr" << 0 << ""
                                  << "/src/Project1.htm";
}

void TestDwelk000Lib::fnHTML_get() {
    QFETCH(QString, fnPas);
    QFETCH(int, NrExt);
    QFETCH(QString, sSuff);
    QFETCH(QString, result);
    QCOMPARE(::fnHTML_get(fnPas, NrExt, sSuff), result);
}

QTEST_GUILESS_MAIN(TestDwelk000Lib)
#include "test_dwelk_000_lib.moc"
