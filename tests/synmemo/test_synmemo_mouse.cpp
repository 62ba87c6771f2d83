// The mouse, the context menu with its comment commands and the clipboard commands, driven
// by clicks, double clicks and key strokes on a shown memo.

#include "MemoDriver.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QSignalSpy>

namespace {

QMenu* BuiltInMenu(TSyntaxMemo* memo) {
    return memo->findChild<QMenu*>(QStringLiteral("FPopupMenu"));
}

QAction* MenuAction(TSyntaxMemo* memo, const char* handler) {
    return BuiltInMenu(memo)->findChild<QAction*>(QString::fromLatin1(handler));
}

// The clipboard the platform gives this run, or a reason to skip.
bool ClipboardWorks() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("probe"));
    return clipboard->text() == QStringLiteral("probe");
}

} // namespace

class TestSynMemoMouse : public QObject {
    Q_OBJECT

private slots:
    void clickPlacesTheCaret_data() {
        QTest::addColumn<QPoint>("cell");
        QTest::addColumn<QPoint>("caret");
        QTest::newRow("inside a line") << QPoint(3, 2) << QPoint(3, 2);
        QTest::newRow("beyond the end of a line") << QPoint(9, 1) << QPoint(9, 1);
        QTest::newRow("below the last line") << QPoint(2, 9) << QPoint(2, 3);
    }

    void clickPlacesTheCaret() {
        QFETCH(QPoint, cell);
        QFETCH(QPoint, caret);
        TDrivenMemo m({"abcd", "efgh", "ij"});
        m.Memo->MySel_Z({1, 1}, {2, 2});
        QTest::mouseClick(m.Memo, Qt::LeftButton, {}, m.CellCentre(cell.x(), cell.y()));
        QCOMPARE(m.Memo->GetPos(), caret);
        QCOMPARE(m.Selection(), TSel());
        QCOMPARE(m.Owner.focusWidget(), m.Memo);
    }

    void clickInTheGutterGoesToColumn1() {
        TDrivenMemo m({"abcd"});
        QTest::mouseClick(m.Memo, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(m.Memo->GetPos(), QPoint(1, 1));
    }

    void clickFollowsTheScrollOffset() {
        QStringList lines;
        for (int i = 1; i <= 60; ++i)
            lines << QString::number(i);
        TDrivenMemo m(lines);
        m.Memo->SetPos(1, 60);
        const int top = m.Memo->Offset().y();
        QVERIFY(top > 0);
        QTest::mouseClick(m.Memo, Qt::LeftButton, {}, m.CellCentre(2, 1));
        QCOMPARE(m.Memo->GetPos(), QPoint(2, top + 1));
    }

    void dragSelects() {
        TDrivenMemo m({"abcd", "efgh"});
        QTest::mousePress(m.Memo, Qt::LeftButton, {}, m.CellCentre(2, 1));
        QTest::mouseMove(m.Memo, m.CellCentre(2, 1));
        QCOMPARE(m.Selection(), TSel());
        QTest::mouseMove(m.Memo, m.CellCentre(3, 2));
        QTest::mouseRelease(m.Memo, Qt::LeftButton, {}, m.CellCentre(3, 2));
        QCOMPARE(m.Selection(), TSel({2, 1}, {3, 2}));
        QCOMPARE(m.Memo->GetSelText(), QStringLiteral("bcd\r\nef"));
        // Moving without the button held changes nothing.
        QTest::mouseMove(m.Memo, m.CellCentre(1, 1));
        QCOMPARE(m.Selection(), TSel({2, 1}, {3, 2}));
    }

    void dragOutOfTheWindowStaysInTheText() {
        TDrivenMemo m({"abcd", "efgh"});
        QTest::mousePress(m.Memo, Qt::LeftButton, {}, m.CellCentre(2, 2));
        QTest::mouseMove(m.Memo, QPoint(-300, -300));
        QTest::mouseMove(m.Memo, QPoint(5000, 5000));
        QTest::mouseRelease(m.Memo, Qt::LeftButton, {}, QPoint(5000, 5000));
        QVERIFY(m.Memo->GetPos().y() >= 1 && m.Memo->GetPos().y() <= 2);
        QVERIFY(m.Memo->GetPos().x() >= 1 && m.Memo->GetPos().x() <= 1024);
    }

    void doubleClickSelectsAWord_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("word");
        QTest::newRow("inside a word") << "begin x := foo_1;" << 14 << "foo_1";
        QTest::newRow("last character") << "begin x := foo_1;" << 16 << "foo_1";
        QTest::newRow("first character takes the word before") << "begin x := foo;" << 12 << "x";
        QTest::newRow("Cyrillic") << QString::fromUtf8("a пример b") << 5
                                  << QString::fromUtf8("пример");
        QTest::newRow("no word before on the first line") << "   x" << 2 << "";
    }

    void doubleClickSelectsAWord() {
        QFETCH(QString, line);
        QFETCH(int, column);
        QFETCH(QString, word);
        TDrivenMemo m({line});
        m.DoubleClick(column, 1);
        QCOMPARE(m.Memo->GetSelText(), word);
        // The next click places the caret again.
        QTest::mouseClick(m.Memo, Qt::LeftButton, {}, m.CellCentre(1, 1));
        QCOMPARE(m.Memo->GetPos(), QPoint(1, 1));
        QCOMPARE(m.Selection(), TSel());
    }

    void doubleClickThenTypeReplacesTheWord() {
        TDrivenMemo m({"x := alpha + 1"});
        m.DoubleClick(8, 1);
        m.Press({"\"beta"});
        QCOMPARE(m.Text(), QStringList{"x := beta + 1"});
    }

    void contextMenu() {
        TDrivenMemo m({"abcd"});
        m.Memo->SetPos(3, 1);
        QMenu* menu = BuiltInMenu(m.Memo);
        QVERIFY(menu);
        QStringList captions, names;
        for (QAction* action : menu->actions()) {
            captions << action->text();
            names << action->objectName();
            QVERIFY(action->isEnabled());
            QVERIFY(action->shortcut().isEmpty());
        }
        QCOMPARE(captions, QStringList({"Cut", "Copy", "Paste", "Comment set", "Comment reset",
                                        "EnvVar select"}));
        QCOMPARE(names, QStringList({"CutPopup", "CopyPopup", "PastePopup", "CommentSetPopup",
                                     "CommentResetPopup", "EnvVarSelPopup"}));

        QTest::mouseClick(m.Memo, Qt::RightButton, {}, m.CellCentre(1, 1));
        QTRY_COMPARE(QApplication::activePopupWidget(), menu);
        QCOMPARE(m.Memo->GetPos(), QPoint(3, 1));
        menu->close();
    }

    void ownPopupMenuWins() {
        TDrivenMemo m({"abcd"});
        QMenu own;
        own.addAction(QStringLiteral("Mine"));
        m.Memo->SetPopupMenu(&own);
        QCOMPARE(m.Memo->PopupMenu(), &own);
        QTest::mouseClick(m.Memo, Qt::RightButton, {}, m.CellCentre(2, 1));
        QTRY_COMPARE(QApplication::activePopupWidget(), &own);
        own.close();
    }

    void dropsAreRefused() {
        TDrivenMemo m({"abcd"});
        QVERIFY(!m.Memo->acceptDrops());
    }

    void commentCommands_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QPoint>("anchor");
        QTest::addColumn<QPoint>("end");
        QTest::addColumn<QString>("handler");
        QTest::addColumn<QStringList>("text");
        using L = QStringList;
        QTest::newRow("set") << L{"a", "b", "c"} << "" << QPoint(1, 1) << QPoint(1, 2)
                             << "CommentSetPopup" << L{"%a", "%b", "c"};
        QTest::newRow("set another prefix")
            << L{"a", "", "c"} << " // " << QPoint(2, 1) << QPoint(1, 3) << "CommentSetPopup"
            << L{"//a", "//", "//c"};
        QTest::newRow("reset once") << L{"%%a", "b", "%c"} << "" << QPoint(1, 1) << QPoint(1, 3)
                                    << "CommentResetPopup" << L{"%a", "b", "c"};
        QTest::newRow("anchor below the end does nothing")
            << L{"a", "b"} << "" << QPoint(1, 2) << QPoint(1, 1) << "CommentSetPopup"
            << L{"a", "b"};
        QTest::newRow("trailing blanks go") << L{"a  ", "b "} << "" << QPoint(1, 2) << QPoint(2, 2)
                                            << "CommentSetPopup" << L{"a", "%b"};
        QTest::newRow("lines past the end") << L{"a", "b"} << "" << QPoint(1, 2) << QPoint(1, 9)
                                            << "CommentSetPopup" << L{"a", "%b"};
    }

    void commentCommands() {
        QFETCH(QStringList, lines);
        QFETCH(QString, prefix);
        QFETCH(QPoint, anchor);
        QFETCH(QPoint, end);
        QFETCH(QString, handler);
        QFETCH(QStringList, text);
        TDrivenMemo m(lines);
        if (!prefix.isEmpty())
            m.Memo->fCommentLine_Set(prefix);
        m.Memo->MySel_Z(anchor, end);
        MenuAction(m.Memo, qPrintable(handler))->trigger();
        QCOMPARE(m.Memo->StoredLines(), text);
    }

    void commentSetAfterTypingAndReadOnly() {
        TDrivenMemo m({"ab", "cd", "ef"});
        QSignalSpy changes(m.Memo, &TSyntaxMemo::OnChange);
        m.Memo->SetPos(3, 1);
        m.Press({"Shift+Down", "\"x"});
        QCOMPARE(m.Text(), QStringList({"abx", "ef"}));
        QCOMPARE(m.Selection(), TSel());
        // The lines of the replaced selection are still the ones commented.
        MenuAction(m.Memo, "CommentSetPopup")->trigger();
        QCOMPARE(m.Text(), QStringList({"%abx", "%ef"}));
        QCOMPARE(m.Memo->UndoCount(), 0);
        QCOMPARE(changes.count(), 2);

        m.Memo->SetReadOnly(true);
        m.Memo->MySel_Z({1, 2}, {2, 2});
        MenuAction(m.Memo, "CommentSetPopup")->trigger();
        QCOMPARE(m.Text(), QStringList({"%abx", "%%ef"}));
        m.Memo->MySel_Z({1, 1}, {2, 2});
        MenuAction(m.Memo, "CommentResetPopup")->trigger();
        QCOMPARE(m.Text(), QStringList({"abx", "%ef"}));
    }

    void clipboardKeys_data() {
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QStringList>("text");
        QTest::addColumn<QString>("clipboard");
        using L = QStringList;
        const L select{"Home", "Shift+Down", "Shift+Right"};
        QTest::newRow("ctrl c") << select + L{"Ctrl+C"} << L{"ab", "cd"} << "ab\r\nc";
        QTest::newRow("ctrl insert") << select + L{"Ctrl+Ins"} << L{"ab", "cd"} << "ab\r\nc";
        QTest::newRow("ctrl x") << select + L{"Ctrl+X"} << L{"d"} << "ab\r\nc";
        QTest::newRow("shift delete") << select + L{"Shift+Del"} << L{"d"} << "ab\r\nc";
        QTest::newRow("copy without a selection keeps the clipboard")
            << L{"Ctrl+C", "Ctrl+X"} << L{"ab", "cd"} << "old";
        QTest::newRow("ctrl v") << L{"Ctrl+V"} << L{"aoldb", "cd"} << "old";
        QTest::newRow("shift insert") << L{"Shift+Ins"} << L{"aoldb", "cd"} << "old";
        QTest::newRow("paste over a selection")
            << L{"Shift+Right", "Ctrl+V"} << L{"aold", "cd"} << "old";
        QTest::newRow("cut then paste back")
            << select + L{"Ctrl+X", "Ctrl+V"} << L{"ab", "cd"} << "ab\r\nc";
        QTest::newRow("undo a paste") << L{"Ctrl+V", "Ctrl+Z"} << L{"ab", "cd"} << "old";
    }

    void clipboardKeys() {
        if (!ClipboardWorks())
            QSKIP("no clipboard on this platform");
        QFETCH(QStringList, keys);
        QFETCH(QStringList, text);
        QFETCH(QString, clipboard);
        QGuiApplication::clipboard()->setText(QStringLiteral("old"));
        TDrivenMemo m({"ab", "cd"});
        m.Memo->SetPos(2, 1);
        m.Press(keys);
        QCOMPARE(m.Text(), text);
        QCOMPARE(QGuiApplication::clipboard()->text(), clipboard);
    }

    void clipboardMenuAndReadOnly() {
        if (!ClipboardWorks())
            QSKIP("no clipboard on this platform");
        TDrivenMemo m({"abc"});
        m.Memo->SetReadOnly(true);
        m.Memo->MySel_Z({1, 1}, {3, 1});
        MenuAction(m.Memo, "CutPopup")->trigger();
        QCOMPARE(m.Text(), QStringList{"abc"});
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("probe"));
        MenuAction(m.Memo, "CopyPopup")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("ab"));
        MenuAction(m.Memo, "PastePopup")->trigger();
        QCOMPARE(m.Text(), QStringList{"abc"});
        m.Memo->SetReadOnly(false);
        MenuAction(m.Memo, "CutPopup")->trigger();
        QCOMPARE(m.Text(), QStringList{"c"});
        MenuAction(m.Memo, "PastePopup")->trigger();
        QCOMPARE(m.Text(), QStringList{"abc"});
    }

    // Hostile clipboard contents: line breaks of every kind, a large text.
    void pasteOddText_data() {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QStringList>("text");
        QTest::newRow("lone CR") << "1\r2\r" << QStringList({"x1", "2", "y"});
        QTest::newRow("LF and CR LF") << "1\n2\r\n3" << QStringList({"x1", "2", "3y"});
        QTest::newRow("NUL and controls")
            << QString::fromUtf16(u"\0\x1b", 2) << QStringList{QString::fromUtf16(u"x\0\x1by", 4)};
        QTest::newRow("empty") << "" << QStringList{"xy"};
    }

    void pasteOddText() {
        if (!ClipboardWorks())
            QSKIP("no clipboard on this platform");
        QFETCH(QString, pasted);
        QFETCH(QStringList, text);
        QGuiApplication::clipboard()->setText(pasted);
        TDrivenMemo m({"xy"});
        m.Memo->SetPos(2, 1);
        m.Press({"Ctrl+V"});
        QCOMPARE(m.Text(), text);
    }

    // Select all takes the whole text, however long its lines; cut removes what copy took.
    void selectAllCopiesAndCutsLongLines_data() {
        QTest::addColumn<QStringList>("lines");
        QString megabyte;
        for (int k = 0; megabyte.size() < 1024 * 1024; ++k)
            megabyte += QString::number(k) + (k % 7 ? u' ' : u'\t');
        // Trailing blanks are not part of a line as the memo reads it.
        QTest::newRow("one 1 MB line") << QStringList{megabyte + u'.'};
        QTest::newRow("a long line between short ones")
            << QStringList{"begin", megabyte.first(5000) + u'.', "end."};
        QTest::newRow("long last line") << QStringList{"x", megabyte.first(3000) + u'.'};
    }

    void selectAllCopiesAndCutsLongLines() {
        if (!ClipboardWorks())
            QSKIP("no clipboard on this platform");
        QFETCH(QStringList, lines);
        const QString whole = lines.join(QStringLiteral("\r\n"));
        TDrivenMemo m(lines);
        m.Press({"Ctrl+A", "Ctrl+C"});
        QCOMPARE(QGuiApplication::clipboard()->text(), whole);
        QGuiApplication::clipboard()->setText(QStringLiteral("old"));
        m.Press({"Ctrl+A", "Ctrl+X"});
        QCOMPARE(QGuiApplication::clipboard()->text(), whole);
        QCOMPARE(m.Text(), QStringList{QString()});
        m.Press({"Ctrl+V"});
        QCOMPARE(m.Text(), lines);
    }

    // Cut takes what copy takes and removes exactly that: pasting it back gives the text.
    void cutRemovesWhatCopyCopies_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QPoint>("caret");
        QTest::addColumn<QStringList>("keys"); // the selection
        QTest::addColumn<QString>("copied");
        using L = QStringList;
        QTest::newRow("from a line's end to the next line's end")
            << L{"ab", "cd", "ef"} << QPoint(1, 1) << L{"End", "Shift+Down"} << "cd";
        QTest::newRow("from beyond a line's end")
            << L{"ab", "cdefgh"} << QPoint(5, 1) << L{"Shift+Down"} << "cdef";
        QTest::newRow("from a line's trailing blanks")
            << L{"ab  ", "cd"} << QPoint(3, 1) << L{"Shift+Down"} << "cd";
        QTest::newRow("over several lines from beyond an end")
            << L{"ab", "cd", "ef"} << QPoint(4, 1) << L{"Shift+Down", "Shift+Down"} << "cd\r\nef";
        QTest::newRow("select all, first line empty")
            << L{"", "ab", "cd"} << QPoint(1, 2) << L{"Ctrl+A"} << "ab\r\ncd";
        QTest::newRow("select all, two empty lines first")
            << L{"", "", "x"} << QPoint(1, 1) << L{"Ctrl+A"} << "\r\nx";
        QTest::newRow("only blanks beyond the last line's end")
            << L{"ab"} << QPoint(5, 1) << L{"Shift+Right"} << "";
        QTest::newRow("backwards from beyond an end")
            << L{"ab", "cd"} << QPoint(2, 2) << L{"Shift+Up", "Shift+End"} << "c";
        QTest::newRow("within a line") << L{"abc"} << QPoint(1, 1) << L{"Shift+Right"} << "a";
    }

    void cutRemovesWhatCopyCopies() {
        if (!ClipboardWorks())
            QSKIP("no clipboard on this platform");
        QFETCH(QStringList, lines);
        QFETCH(QPoint, caret);
        QFETCH(QStringList, keys);
        QFETCH(QString, copied);
        TDrivenMemo copy(lines);
        copy.Memo->SetPos(caret.x(), caret.y());
        copy.Press(keys + QStringList{"Ctrl+C"});
        QCOMPARE(QGuiApplication::clipboard()->text(), copied);
        TDrivenMemo cut(lines);
        cut.Memo->SetPos(caret.x(), caret.y());
        cut.Press(keys + QStringList{"Ctrl+X"});
        QCOMPARE(QGuiApplication::clipboard()->text(), copied);
        cut.Press({"Ctrl+V"});
        QCOMPARE(cut.Text(), copy.Text());
    }

    void pasteFiveMegabytes() {
        if (!ClipboardWorks())
            QSKIP("no clipboard on this platform");
        QString big;
        const QString line = QStringLiteral("x := 'abc'; { comment } begin end;\r\n");
        while (big.size() < 5 * 1024 * 1024)
            big += line;
        QGuiApplication::clipboard()->setText(big);
        TDrivenMemo m({"ab"});
        m.Memo->SetPos(2, 1);
        m.Press({"Ctrl+V"});
        const qsizetype lines = big.count(u'\n') + 1;
        QCOMPARE(m.Memo->StoredLines().size(), lines);
        QCOMPARE(m.Memo->GetPos(), QPoint(1, int(lines)));
        m.Press({"Ctrl+A", "Ctrl+C"});
        QCOMPARE(QGuiApplication::clipboard()->text().size(), big.size() + 2);
        m.Memo->grab();
    }
};

QTEST_MAIN(TestSynMemoMouse)
#include "test_synmemo_mouse.moc"
