// The key map as a user types it: caret movement, selection with Shift, word moves,
// typing, line editing with smart indentation, block shifts, undo and bookmarks.

#include "MemoDriver.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QRandomGenerator>
#include <QSignalSpy>

namespace {

const TSel None;

TSel Sel(QPoint start, QPoint end) {
    return {start, end};
}

} // namespace

class TestSynMemoKeys : public QObject {
    Q_OBJECT

private slots:
    void keys_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QPoint>("caret");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QStringList>("text");
        QTest::addColumn<QPoint>("caretAfter");
        QTest::addColumn<TSel>("selection");
        using L = QStringList;

        // Caret movement.
        QTest::newRow("left at column 1")
            << L{"abc"} << QPoint(1, 1) << L{"Left"} << L{"abc"} << QPoint(1, 1) << None;
        QTest::newRow("right into virtual space")
            << L{"ab"} << QPoint(3, 1) << L{"Right", "Right"} << L{"ab"} << QPoint(5, 1) << None;
        QTest::newRow("up keeps a virtual column") << L{"a", "abcdef"} << QPoint(6, 2) << L{"Up"}
                                                   << L{"a", "abcdef"} << QPoint(6, 1) << None;
        QTest::newRow("down stops at the last line")
            << L{"a", "b"} << QPoint(1, 1) << L{"Down", "Down"} << L{"a", "b"} << QPoint(1, 2)
            << None;
        QTest::newRow("home") << L{"  abc"} << QPoint(4, 1) << L{"Home"} << L{"  abc"}
                              << QPoint(1, 1) << None;
        QTest::newRow("end") << L{"abc", "x"} << QPoint(1, 1) << L{"End"} << L{"abc", "x"}
                             << QPoint(4, 1) << None;
        QTest::newRow("ctrl end") << L{"ab", "cde"} << QPoint(1, 1) << L{"Ctrl+End"}
                                  << L{"ab", "cde"} << QPoint(4, 2) << None;
        QTest::newRow("ctrl home") << L{"ab", "cde"} << QPoint(3, 2) << L{"Ctrl+Home"}
                                   << L{"ab", "cde"} << QPoint(1, 1) << None;

        // Selection follows Shift.
        QTest::newRow("shift right selects")
            << L{"abcd"} << QPoint(2, 1) << L{"Shift+Right", "Shift+Right"} << L{"abcd"}
            << QPoint(4, 1) << Sel({2, 1}, {4, 1});
        QTest::newRow("plain move drops the selection")
            << L{"abcd"} << QPoint(2, 1) << L{"Shift+Right", "Left"} << L{"abcd"} << QPoint(2, 1)
            << None;
        QTest::newRow("ctrl home then shift ctrl end")
            << L{"ab", "cd"} << QPoint(2, 2) << L{"Ctrl+Home", "Shift+Ctrl+End"} << L{"ab", "cd"}
            << QPoint(3, 2) << Sel({1, 1}, {3, 2});
        QTest::newRow("ctrl a") << L{"ab", "cd"} << QPoint(2, 2) << L{"Ctrl+A"} << L{"ab", "cd"}
                                << QPoint(3, 2) << Sel({1, 1}, {3, 2});
        QTest::newRow("shift down into virtual space")
            << L{"abcdef", "x"} << QPoint(5, 1) << L{"Shift+Down"} << L{"abcdef", "x"}
            << QPoint(5, 2) << Sel({5, 1}, {5, 2});

        // Word moves.
        QTest::newRow("ctrl left to the word start")
            << L{"foo bar"} << QPoint(7, 1) << L{"Ctrl+Left"} << L{"foo bar"} << QPoint(5, 1)
            << None;
        QTest::newRow("ctrl left over blanks") << L{"foo   bar"} << QPoint(7, 1) << L{"Ctrl+Left"}
                                               << L{"foo   bar"} << QPoint(1, 1) << None;
        QTest::newRow("ctrl left from a word start")
            << L{"foo bar"} << QPoint(5, 1) << L{"Ctrl+Left"} << L{"foo bar"} << QPoint(1, 1)
            << None;
        QTest::newRow("ctrl left at a line start")
            << L{"ab", "cd"} << QPoint(1, 2) << L{"Ctrl+Left"} << L{"ab", "cd"} << QPoint(3, 1)
            << None;
        QTest::newRow("ctrl left from virtual space")
            << L{"foo"} << QPoint(9, 1) << L{"Ctrl+Left"} << L{"foo"} << QPoint(1, 1) << None;
        QTest::newRow("ctrl left over Cyrillic")
            << L{QString::fromUtf8("x привет")} << QPoint(7, 1) << L{"Ctrl+Left"}
            << L{QString::fromUtf8("x привет")} << QPoint(3, 1) << None;
        QTest::newRow("ctrl right to the next word")
            << L{"foo bar"} << QPoint(1, 1) << L{"Ctrl+Right"} << L{"foo bar"} << QPoint(5, 1)
            << None;
        QTest::newRow("ctrl right after the last word")
            << L{"foo bar"} << QPoint(5, 1) << L{"Ctrl+Right"} << L{"foo bar"} << QPoint(8, 1)
            << None;
        QTest::newRow("ctrl right from the end to the next line")
            << L{"ab", "  cd"} << QPoint(3, 1) << L{"Ctrl+Right"} << L{"ab", "  cd"} << QPoint(3, 2)
            << None;
        QTest::newRow("ctrl right at the end of the text stays")
            << L{"ab", "cd"} << QPoint(5, 2) << L{"Ctrl+Right"} << L{"ab", "cd"} << QPoint(5, 2)
            << None;
        QTest::newRow("dollar and underscore are word characters")
            << L{"a$_b c"} << QPoint(1, 1) << L{"Ctrl+Right"} << L{"a$_b c"} << QPoint(6, 1)
            << None;
        QTest::newRow("shift ctrl right selects a word")
            << L{"foo bar"} << QPoint(1, 1) << L{"Shift+Ctrl+Right"} << L{"foo bar"} << QPoint(5, 1)
            << Sel({1, 1}, {5, 1});

        // Typing.
        QTest::newRow("type") << L{"ab"} << QPoint(2, 1) << L{"\"xy"} << L{"axyb"} << QPoint(4, 1)
                              << None;
        QTest::newRow("type over a selection")
            << L{"abcd"} << QPoint(2, 1) << L{"Shift+Right", "Shift+Right", "\"X"} << L{"aXd"}
            << QPoint(3, 1) << None;
        QTest::newRow("plain I types over a selection")
            << L{"abcd"} << QPoint(1, 1) << L{"Shift+Right", "\"I"} << L{"Ibcd"} << QPoint(2, 1)
            << None;
        QTest::newRow("Cyrillic ya and yo") << L{""} << QPoint(1, 1) << L{QString::fromUtf8("\"яё")}
                                            << L{QString::fromUtf8("яё")} << QPoint(3, 1) << None;
        QTest::newRow("characters above Cyrillic")
            << L{""} << QPoint(1, 1) << L{QString::fromUtf8("\"€中")} << L{QString::fromUtf8("€中")}
            << QPoint(3, 1) << None;
        QTest::newRow("type in virtual space")
            << L{"ab"} << QPoint(5, 1) << L{"\"X"} << L{"ab  X"} << QPoint(6, 1) << None;
        QTest::newRow("ctrl letter types nothing")
            << L{"ab"} << QPoint(1, 1) << L{"Ctrl+B", "Ctrl+Shift+Q"} << L{"ab"} << QPoint(1, 1)
            << None;
        QTest::newRow("alt letter types nothing")
            << L{"ab"} << QPoint(1, 1) << L{"Alt+B"} << L{"ab"} << QPoint(1, 1) << None;
        QTest::newRow("escape types nothing")
            << L{"ab"} << QPoint(1, 1) << L{"Esc"} << L{"ab"} << QPoint(1, 1) << None;

        // Enter.
        QTest::newRow("enter keeps the indentation")
            << L{"    begin x"} << QPoint(11, 1) << L{"Return"} << L{"    begin", "    x"}
            << QPoint(5, 2) << None;
        QTest::newRow("enter after blanks indents to the caret")
            << L{"  "} << QPoint(3, 1) << L{"Return"} << L{"", ""} << QPoint(3, 2) << None;
        QTest::newRow("enter at column 1")
            << L{"abc"} << QPoint(1, 1) << L{"Return"} << L{"", "abc"} << QPoint(1, 2) << None;
        QTest::newRow("keypad enter")
            << L{"abc"} << QPoint(2, 1) << L{"Enter"} << L{"a", "bc"} << QPoint(1, 2) << None;
        QTest::newRow("enter beyond the end")
            << L{"  ab"} << QPoint(9, 1) << L{"Return"} << L{"  ab", ""} << QPoint(3, 2) << None;
        QTest::newRow("enter with a modifier does nothing")
            << L{"abc"} << QPoint(2, 1) << L{"Shift+Return", "Ctrl+Return"} << L{"abc"}
            << QPoint(2, 1) << None;
        QTest::newRow("enter with a selection splits at the caret")
            << L{"abcd", "efgh"} << QPoint(3, 1) << L{"Shift+Down", "Return"}
            << L{"abcd", "ef", "gh"} << QPoint(1, 3) << None;

        // Delete.
        QTest::newRow("delete a character")
            << L{"abc"} << QPoint(2, 1) << L{"Del"} << L{"ac"} << QPoint(2, 1) << None;
        QTest::newRow("delete joins")
            << L{"ab", "cd"} << QPoint(3, 1) << L{"Del"} << L{"abcd"} << QPoint(3, 1) << None;
        QTest::newRow("delete from virtual space pads the join")
            << L{"ab", "  cd"} << QPoint(5, 1) << L{"Del"} << L{"ab    cd"} << QPoint(5, 1) << None;
        QTest::newRow("delete at the end of the text")
            << L{"ab"} << QPoint(3, 1) << L{"Del"} << L{"ab"} << QPoint(3, 1) << None;
        QTest::newRow("delete a selection")
            << L{"abcd", "ef"} << QPoint(2, 1) << L{"Shift+Down", "Del"} << L{"af"} << QPoint(2, 1)
            << None;

        // Backspace.
        QTest::newRow("backspace a character")
            << L{"abc"} << QPoint(3, 1) << L{"Backspace"} << L{"ac"} << QPoint(2, 1) << None;
        QTest::newRow("backspace joins")
            << L{"ab", "cd"} << QPoint(1, 2) << L{"Backspace"} << L{"abcd"} << QPoint(3, 1) << None;
        QTest::newRow("backspace at the start of the text")
            << L{"ab"} << QPoint(1, 1) << L{"Backspace"} << L{"ab"} << QPoint(1, 1) << None;
        QTest::newRow("backspace returns to the outer block")
            << L{"    if a then", "        x"} << QPoint(9, 2) << L{"Backspace"}
            << L{"    if a then", "    x"} << QPoint(5, 2) << None;
        QTest::newRow("backspace with nothing outer takes one space")
            << L{"      y", "    x"} << QPoint(5, 2) << L{"Backspace"} << L{"      y", "   x"}
            << QPoint(4, 2) << None;
        QTest::newRow("backspace on a blank line")
            << L{"x", "   "} << QPoint(4, 2) << L{"Backspace"} << L{"x", ""} << QPoint(1, 2)
            << None;
        QTest::newRow("backspace in virtual space moves left")
            << L{"ab"} << QPoint(6, 1) << L{"Backspace"} << L{"ab"} << QPoint(5, 1) << None;
        QTest::newRow("backspace a selection")
            << L{"abcd"} << QPoint(4, 1) << L{"Shift+Left", "Shift+Left", "Backspace"} << L{"ad"}
            << QPoint(2, 1) << None;

        // Tab.
        QTest::newRow("tab aligns under the next word")
            << L{"if a then b", ""} << QPoint(1, 2) << L{"Tab"} << L{"if a then b", ""}
            << QPoint(4, 2) << None;
        QTest::newRow("tab from a space") << L{"if   a", ""} << QPoint(3, 2) << L{"Tab"}
                                          << L{"if   a", ""} << QPoint(6, 2) << None;
        QTest::newRow("tab pushes the text") << L{"if a then b", "xy"} << QPoint(2, 2) << L{"Tab"}
                                             << L{"if a then b", "x  y"} << QPoint(4, 2) << None;
        QTest::newRow("tab with no line above long enough")
            << L{"ab", ""} << QPoint(5, 2) << L{"Tab"} << L{"ab", ""} << QPoint(5, 2) << None;
        QTest::newRow("shift tab tabs too") << L{"if a", ""} << QPoint(1, 2) << L{"Shift+Tab"}
                                            << L{"if a", ""} << QPoint(4, 2) << None;
        QTest::newRow("tab with a selection shifts the lines")
            << L{"a", "b", "c"} << QPoint(1, 1) << L{"Shift+Down", "Shift+Right", "Tab"}
            << L{" a", " b", "c"} << QPoint(2, 2) << Sel({1, 1}, {2, 2});

        // Ctrl+Y and undo.
        QTest::newRow("ctrl y deletes the line") << L{"a", "bc", "d"} << QPoint(2, 2) << L{"Ctrl+Y"}
                                                 << L{"a", "d"} << QPoint(2, 2) << None;
        QTest::newRow("ctrl y on the last line empties it")
            << L{"a", "bc"} << QPoint(3, 2) << L{"Ctrl+Y"} << L{"a", ""} << QPoint(1, 2) << None;
        // Lines longer than 1024 characters, worked on beyond that column.
        const QString longLine = QString(1040, u'a') + QStringLiteral(" word next");
        QTest::newRow("typing past column 1024 keeps the order")
            << L{""} << QPoint(1024, 1) << L{"\"abcdef"} << L{QString(1023, u' ') + "abcdef"}
            << QPoint(1030, 1) << None;
        QTest::newRow("end of a long line") << L{longLine} << QPoint(1, 1) << L{"End", "Left"}
                                            << L{longLine} << QPoint(1050, 1) << None;
        QTest::newRow("home from beyond column 1024")
            << L{longLine} << QPoint(1045, 1) << L{"Home"} << L{longLine} << QPoint(1, 1) << None;
        QTest::newRow("word moves beyond column 1024")
            << L{longLine} << QPoint(1030, 1) << L{"Ctrl+Right", "Ctrl+Right", "Ctrl+Left"}
            << L{longLine} << QPoint(1042, 1) << None;
        QTest::newRow("delete and backspace beyond column 1024")
            << L{longLine} << QPoint(1043, 1) << L{"Delete", "Backspace"}
            << L{QString(1040, u'a') + " rd next"} << QPoint(1042, 1) << None;
        QTest::newRow("shift end selects a long line to its end")
            << L{longLine} << QPoint(1030, 1) << L{"Shift+End"} << L{longLine} << QPoint(1051, 1)
            << TSel{{1030, 1}, {1051, 1}};
        QTest::newRow("undo typing")
            << L{"ab"} << QPoint(2, 1) << L{"\"xy", "Ctrl+Z"} << L{"axb"} << QPoint(3, 1) << None;
        QTest::newRow("undo after enter keeps the split")
            << L{"  ab"} << QPoint(3, 1) << L{"Return", "Ctrl+Z"} << L{"", "ab"} << QPoint(1, 2)
            << None;
        QTest::newRow("undo ctrl y") << L{"a", "b"} << QPoint(1, 1) << L{"Ctrl+Y", "Ctrl+Z"}
                                     << L{"a", "b"} << QPoint(1, 1) << None;
    }

    void keys() {
        QFETCH(QStringList, lines);
        QFETCH(QPoint, caret);
        QFETCH(QStringList, keys);
        QFETCH(QStringList, text);
        QFETCH(QPoint, caretAfter);
        QFETCH(TSel, selection);
        TDrivenMemo m(lines);
        m.Memo->SetPos(caret.x(), caret.y());
        m.Press(keys);
        QCOMPARE(m.Text(), text);
        QCOMPARE(m.Memo->GetPos(), caretAfter);
        QCOMPARE(m.Selection(), selection);
    }

    void controlCharactersAsText() {
        TDrivenMemo m({"ab"});
        m.Memo->SetPos(2, 1);
        m.Press({"\"x"});
        QTest::sendKeyEvent(QTest::Click, m.Memo, Qt::Key_unknown, QString(QChar(26)),
                            Qt::NoModifier);
        QCOMPARE(m.Text(), QStringList{"ab"});
        QTest::sendKeyEvent(QTest::Click, m.Memo, Qt::Key_unknown, QString(QChar(7)),
                            Qt::NoModifier);
        QCOMPARE(m.Text(), QStringList{"ab"});
    }

    // Keys the memo has no use for reach the window around it.
    void unusedKeysPropagate() {
        TDrivenMemo m({"ab"});
        for (const auto& [key, mods, used] :
             {std::tuple{Qt::Key_Escape, Qt::KeyboardModifiers(), false},
              {Qt::Key_F5, Qt::KeyboardModifiers(), false},
              {Qt::Key_B, Qt::AltModifier, false},
              {Qt::Key_A, Qt::KeyboardModifiers(), true},
              {Qt::Key_Left, Qt::KeyboardModifiers(), true},
              {Qt::Key_A, Qt::ControlModifier, true},
              {Qt::Key_F3, Qt::KeyboardModifiers(), true}}) {
            QKeyEvent press(QEvent::KeyPress, key, mods,
                            key == Qt::Key_A && !mods ? QStringLiteral("a") : QString());
            QApplication::sendEvent(m.Memo, &press);
            QCOMPARE(press.isAccepted(), used);
        }
    }

    void composedTextIsTyped() {
        TDrivenMemo m({"ab"});
        m.Memo->SetPos(2, 1);
        QVERIFY(m.Memo->testAttribute(Qt::WA_InputMethodEnabled));
        QInputMethodEvent composed;
        composed.setCommitString(QString::fromUtf8("ё\u0301"));
        QApplication::sendEvent(m.Memo, &composed);
        QCOMPARE(m.Text(), QStringList{QString::fromUtf8("aё\u0301b")});
        QCOMPARE(m.Memo->GetPos(), QPoint(4, 1));
        m.Memo->SetReadOnly(true);
        QApplication::sendEvent(m.Memo, &composed);
        QCOMPARE(m.Memo->GetPos(), QPoint(4, 1));
    }

    void blockShifts_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QPoint>("anchor");
        QTest::addColumn<QPoint>("end");
        QTest::addColumn<int>("tabWidth");
        QTest::addColumn<int>("shiftSize");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("text");
        using L = QStringList;
        const L four{"l1", "l2", "l3", "l4"};
        QTest::newRow("ctrl u takes the smallest indentation")
            << L{"    a", "  b"} << QPoint(1, 1) << QPoint(2, 2) << 0 << 4 << "Ctrl+U"
            << L{"  a", "b"};
        QTest::newRow("ctrl u skips blank lines for the step")
            << L{"    a", "", "   b"} << QPoint(1, 1) << QPoint(2, 3) << 0 << 2 << "Ctrl+U"
            << L{"  a", "", " b"};
        QTest::newRow("ctrl u on an unindented line does nothing")
            << L{"  a", "b"} << QPoint(1, 1) << QPoint(2, 2) << 0 << 2 << "Ctrl+U" << L{"  a", "b"};
        QTest::newRow("tab with tab width 0")
            << L{"a", "b"} << QPoint(1, 1) << QPoint(2, 2) << 0 << 3 << "Tab" << L{" a", " b"};
        QTest::newRow("tab with tab width 4") << L{"a", "b"} << QPoint(1, 1) << QPoint(2, 2) << 4
                                              << 3 << "Tab" << L{"    a", "    b"};
        QTest::newRow("ctrl i by the shift size") << L{"a", "b"} << QPoint(1, 1) << QPoint(2, 2)
                                                  << 4 << 3 << "Ctrl+I" << L{"   a", "   b"};
        QTest::newRow("end at column 1 leaves its line out")
            << four << QPoint(5, 2) << QPoint(1, 4) << 0 << 1 << "Ctrl+I"
            << L{"l1", " l2", " l3", "l4"};
        QTest::newRow("the same range backwards") << four << QPoint(1, 4) << QPoint(5, 2) << 0 << 1
                                                  << "Ctrl+I" << L{"l1", " l2", " l3", "l4"};
        QTest::newRow("ctrl shift i shifts too")
            << L{"a"} << QPoint(1, 1) << QPoint(2, 1) << 0 << 2 << "Ctrl+Shift+I" << L{"  a"};
    }

    void blockShifts() {
        QFETCH(QStringList, lines);
        QFETCH(QPoint, anchor);
        QFETCH(QPoint, end);
        QFETCH(int, tabWidth);
        QFETCH(int, shiftSize);
        QFETCH(QString, key);
        QFETCH(QStringList, text);
        TDrivenMemo m(lines);
        m.Memo->Set_TabWidth(tabWidth);
        m.Memo->Set_ShiftSizeForShiftSelected(shiftSize);
        m.Memo->MySel_Z(anchor, end);
        m.Press({key});
        QCOMPARE(m.Text(), text);
        QCOMPARE(m.Selection(), Sel(anchor, end));
        m.Press({"Ctrl+Z"});
        QCOMPARE(m.Text(), lines);
    }

    void shiftsNeedASelection() {
        TDrivenMemo m({"a", "b"});
        m.Press({"Ctrl+I", "Ctrl+U"});
        QCOMPARE(m.Text(), QStringList({"a", "b"}));
        QCOMPARE(m.Memo->UndoCount(), 0);
    }

    void pageKeys() {
        QStringList lines;
        for (int i = 1; i <= 100; ++i)
            lines << QString::number(i);
        TDrivenMemo m(lines);
        const int rows = m.Memo->WindowSize().y();
        QVERIFY(rows > 2);
        m.Press({"PgDown"});
        QCOMPARE(m.Memo->GetPos(), QPoint(1, rows));
        QCOMPARE(m.Memo->Offset().y(), rows - 1);
        m.Press({"PgUp"});
        QCOMPARE(m.Memo->GetPos(), QPoint(1, 1));
        QCOMPARE(m.Memo->Offset().y(), 0);
        m.Press({"PgUp"});
        QCOMPARE(m.Memo->GetPos(), QPoint(1, 1));
        m.Press({"Shift+PgDown"});
        QCOMPARE(m.Selection(), Sel({1, 1}, {1, rows}));
        for (int k = 0; k < 20; ++k)
            m.Press({"PgDown"});
        QCOMPARE(m.Memo->GetPos(), QPoint(1, 100));
        // The last line is shown at the top.
        QCOMPARE(m.Memo->Offset().y(), 99);
        QCOMPARE(m.Selection(), None);
        m.Press({"PgUp"});
        QCOMPARE(m.Memo->GetPos(), QPoint(1, 100 - rows + 1));
    }

    void changeNotification() {
        TDrivenMemo m({"a", "b"});
        QSignalSpy changes(m.Memo, &TSyntaxMemo::OnChange);
        m.Press({"\"x", "Return", "Del", "Backspace", "Tab"});
        QCOMPARE(changes.count(), 5);
        QVERIFY(m.Memo->Modified());
        m.Memo->SetModified(false);
        m.Press({"Ctrl+Y"});
        QCOMPARE(changes.count(), 5);
        QVERIFY(!m.Memo->Modified());
        m.Press({"Left", "Shift+End", "Home", "Ctrl+Home", "Ctrl+A"});
        QCOMPARE(changes.count(), 5);
    }

    void readOnly_data() {
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("typing") << QStringList{"\"xyz"};
        QTest::newRow("delete") << QStringList{"Del", "Shift+Right", "Del"};
        QTest::newRow("backspace") << QStringList{"End", "Backspace", "Home", "Down", "Backspace"};
        QTest::newRow("enter") << QStringList{"Return"};
        QTest::newRow("tab") << QStringList{"Tab", "Shift+Down", "Tab"};
        QTest::newRow("shifts") << QStringList{"Shift+Down", "Ctrl+I", "Ctrl+U"};
        QTest::newRow("cut and paste")
            << QStringList{"Shift+Right", "Ctrl+X", "Shift+Del", "Ctrl+V", "Shift+Ins"};
    }

    void readOnly() {
        QFETCH(QStringList, keys);
        TDrivenMemo m({"  ab", "cd"});
        m.Memo->SetReadOnly(true);
        m.Memo->SetPos(3, 1);
        m.Press(keys);
        QCOMPARE(m.Memo->StoredLines(), QStringList({"  ab", "cd"}));
        QCOMPARE(m.Memo->UndoCount(), 0);
    }

    void readOnlyStillDeletesLinesAndUndoes() {
        TDrivenMemo m({"a", "b", "c"});
        m.Memo->SetReadOnly(true);
        m.Memo->SetPos(1, 2);
        m.Press({"Ctrl+Y"});
        QCOMPARE(m.Text(), QStringList({"a", "c"}));
        m.Press({"Ctrl+Z"});
        QCOMPARE(m.Text(), QStringList({"a", "b", "c"}));
    }

    void enterKeepsALongRest() {
        const QString rest(3000, u'x');
        TDrivenMemo m({"ab" + rest});
        m.Memo->SetPos(3, 1);
        m.Press({"Return"});
        QCOMPARE(m.Text(), QStringList({"ab", rest}));
    }

    void markersFollowLines_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QPoint>("caret");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("caretLineMark");
        QTest::addColumn<int>("belowMark");
        const QStringList lines{"1", "2", "3", "4", "5", "6", "7", "8"};
        // Marks start on the caret line (0-based 2) and on line index 6.
        QTest::newRow("enter") << lines << QPoint(1, 3) << "Return" << 2 << 7;
        QTest::newRow("caret movement moves nothing") << lines << QPoint(2, 3) << "Down" << 2 << 6;
        QTest::newRow("delete joins") << lines << QPoint(2, 3) << "Del" << 2 << 5;
        QTest::newRow("backspace joins") << lines << QPoint(1, 3) << "Backspace" << 2 << 5;
        QTest::newRow("ctrl y") << lines << QPoint(1, 3) << "Ctrl+Y" << 2 << 5;
        QTest::newRow("tab moves nothing") << lines << QPoint(1, 3) << "Tab" << 2 << 6;
    }

    void markersFollowLines() {
        QFETCH(QStringList, lines);
        QFETCH(QPoint, caret);
        QFETCH(QString, key);
        QFETCH(int, caretLineMark);
        QFETCH(int, belowMark);
        TDrivenMemo m(lines);
        m.Memo->AddBookmark(2, 3);
        m.Memo->AddBookmark(6, 7);
        m.Memo->fCurLine_Set(6);
        m.Memo->SetPos(caret.x(), caret.y());
        m.Press({key});
        QCOMPARE(m.Memo->Get_NumLine_From_Bookmark(3), caretLineMark);
        QCOMPARE(m.Memo->Get_NumLine_From_Bookmark(7), belowMark);
        QCOMPARE(m.Memo->CurLine(), belowMark);
    }

    void bookmarkKeys() {
        QStringList lines;
        for (int i = 1; i <= 20; ++i)
            lines << QString::number(i);
        TDrivenMemo m(lines);
        QSignalSpy added(m.Memo, &TSyntaxMemo::OnBookmarkAdd);
        QSignalSpy deleted(m.Memo, &TSyntaxMemo::OnBookmarkDelete);
        QSignalSpy went(m.Memo, &TSyntaxMemo::OnBookmarkGoto);
        m.Memo->AddBookmark(3, 5);
        m.Memo->SetPos(2, 10);
        m.Press({"Ctrl+Shift+5"});
        QCOMPARE(m.Memo->Get_NumLine_From_Bookmark(5), 9);
        QCOMPARE(m.Memo->IsBookmark(3), -1);
        QCOMPARE(added.last(), QVariantList({5, 9}));
        m.Press({"Ctrl+Home", "Ctrl+5"});
        QCOMPARE(m.Memo->GetPos(), QPoint(1, 10));
        QCOMPARE(went.last(), QVariantList({5}));
        // A line marked with another number keeps it.
        m.Press({"Ctrl+Shift+2"});
        QCOMPARE(m.Memo->Get_NumLine_From_Bookmark(2), -1);
        m.Press({"Ctrl+Shift+5"});
        QCOMPARE(m.Memo->Get_NumLine_From_Bookmark(5), -1);
        QCOMPARE(deleted.last(), QVariantList({5}));
        m.Press({"Ctrl+Home", "Ctrl+5"});
        QCOMPARE(m.Memo->GetPos(), QPoint(1, 1));
        QCOMPARE(went.count(), 1);
        // The keypad's digits are not bookmark keys.
        QTest::keyClick(m.Memo, Qt::Key_1,
                        Qt::ControlModifier | Qt::ShiftModifier | Qt::KeypadModifier);
        QCOMPARE(m.Memo->Get_NumLine_From_Bookmark(1), -1);
        // With Shift held the layout may report the digit's symbol.
        QTest::keyClick(m.Memo, Qt::Key_Exclam, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(m.Memo->Get_NumLine_From_Bookmark(1), 0);
    }

    void bookmarkBeyondTheText() {
        TDrivenMemo m({"a", "b", "c"});
        m.Memo->AddBookmark(40, 4);
        m.Press({"Ctrl+4"});
        QCOMPARE(m.Memo->GetPos(), QPoint(1, 3));
        m.Memo->AddBookmark(1, 12);
        m.Memo->DeleteBookmark(-1);
        m.Memo->GotoBookmark(10);
        QCOMPARE(m.Memo->Get_NumLine_From_Bookmark(12), -1);
    }

    // Hostile input: nothing crashes, positions stay in range.
    void everyKeyOnAnEmptyMemo() {
        const QStringList keys{"Left",      "Right",     "Up",           "Down",      "Home",
                               "End",       "PgUp",      "PgDown",       "Ctrl+Left", "Ctrl+Right",
                               "Ctrl+Home", "Ctrl+End",  "Return",       "Del",       "Backspace",
                               "Tab",       "Ctrl+I",    "Ctrl+U",       "Ctrl+Y",    "Ctrl+Z",
                               "Ctrl+A",    "Del",       "Ctrl+Shift+3", "Ctrl+3",    "F3",
                               "Ctrl+C",    "Shift+End", "Backspace"};
        TSyntaxMemo unsized;
        TDrivenMemo m({});
        for (TSyntaxMemo* memo : {&unsized, m.Memo}) {
            for (const QString& key : keys) {
                const QKeySequence sequence = QKeySequence::fromString(key);
                QTest::keyClick(memo, sequence[0].key(), sequence[0].keyboardModifiers());
                QVERIFY(!memo->StoredLines().isEmpty());
                QVERIFY(memo->GetPos().y() <= memo->StoredLines().size());
                QVERIFY(memo->GetPos().x() >= 1);
            }
        }
        m.Memo->grab();
    }

    // The caret reaches the column after a long line's end, and no further than column 1024
    // on a short line.
    void caretLimitFollowsTheLine() {
        TDrivenMemo m({QString(1500, u'a'), "b"});
        const auto limit = [&] {
            const int y = m.Memo->GetPos().y();
            return std::max<int>(1024, int(m.Text()[y - 1].size()) + 1);
        };
        m.Memo->SetPos(5000, 1);
        QCOMPARE(m.Memo->GetPos(), QPoint(1501, 1));
        m.Press({"Right", "\"X", "Ctrl+Right", "Ctrl+Left", "Return", "Up", "End"});
        QVERIFY(m.Memo->GetPos().x() <= limit());
        m.Memo->SetPos(5000, 2);
        QCOMPARE(m.Memo->GetPos(), QPoint(1024, 2));
        m.Press({"Del", "Del", "Backspace", "Tab", "Shift+Left", "Tab", "Ctrl+U"});
        QVERIFY(m.Memo->GetPos().x() <= limit());
        m.Memo->grab();
    }

    // Every undo step gives back the text, trailing blanks included, and the caret as they
    // were when the step was recorded, after any mix of edits (fewer than the 32 kept).
    void undoStepsRestoreTextAndCaret_data() {
        QTest::addColumn<int>("seed");
        for (int seed = 1; seed <= 10; ++seed)
            QTest::newRow(qPrintable(QString::number(seed))) << seed;
    }

    void undoStepsRestoreTextAndCaret() {
        QFETCH(int, seed);
        const QStringList pool{
            "\"x",        "\" ",    "\"{",    "\"(",         "\"*",   "Backspace",  "Delete", "Tab",
            "Ctrl+Y",     "Left",   "Right",  "Up",          "Down",  "Shift+Down", "Home",   "End",
            "Shift+Left", "Ctrl+I", "Ctrl+U", "Shift+Right", "paste", "Ctrl+End",   "Return"};
        TDrivenMemo m({"unit a;", "  begin", "    x := 1; { c }", "", "  end;", "end."});
        QRandomGenerator random(seed);
        struct TState {
            QStringList Text;
            QPoint Caret;
        };
        QList<TState> steps;
        for (int k = 0; k < TSyntaxMemo::UndoLimit - 1; ++k) {
            const TState before{m.Memo->StoredLines(), m.Memo->GetPos()};
            const qsizetype count = m.Memo->UndoCount();
            const QString key = pool[random.bounded(int(pool.size()))];
            if (key == QLatin1String("paste"))
                m.Memo->SetSelText(QStringLiteral("p1\r\n  p2\r\n"));
            else
                m.Press({key});
            const qsizetype added = m.Memo->UndoCount() - count;
            QVERIFY2(added == 0 || added == 1, qPrintable(key + QString::number(added)));
            if (added == 1 && key == QLatin1String("Return")) {
                // Enter records its step after splitting the line, with the caret on the
                // new line; the split belongs to the step before.
                const int x = before.Caret.x(), y = before.Caret.y();
                QString s = before.Text[y - 1];
                while (!s.isEmpty() && s.back().unicode() <= 32)
                    s.chop(1);
                const qsizetype cut = std::clamp<qsizetype>(x - 1, 0, s.size());
                TState split{before.Text, {1, y + 1}};
                split.Text[y - 1] = s.first(cut);
                split.Text.insert(y, s.sliced(cut));
                steps.append(split);
            } else if (added == 1) {
                steps.append(before);
            } else
                QCOMPARE(m.Memo->StoredLines(), before.Text);
        }
        QCOMPARE(m.Memo->UndoCount(), steps.size());
        while (!steps.isEmpty()) {
            m.Memo->Undo();
            const TState want = steps.takeLast();
            QCOMPARE(m.Memo->StoredLines(), want.Text);
            QCOMPARE(m.Memo->GetPos(), want.Caret);
        }
    }

    void selectionIntoVirtualSpace() {
        TDrivenMemo m({"ab", "c"});
        m.Memo->SetPos(2, 1);
        m.Press({"Shift+Right", "Shift+Right", "Shift+Right", "Shift+Down"});
        QCOMPARE(m.Selection(), Sel({2, 1}, {5, 2}));
        m.Press({"Ctrl+C", "Tab", "Ctrl+U", "Del"});
        QCOMPARE(m.Text(), QStringList{"a"});
        m.Press({"Shift+Right", "Shift+Right", "Shift+Right", "\"Z"});
        QVERIFY(!m.Text().isEmpty());
    }
};

QTEST_MAIN(TestSynMemoKeys)
#include "test_synmemo_keys.moc"
