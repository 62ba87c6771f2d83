// The memo's text model: caret clamping, virtual space, the selection as text, replacing
// it, plain-text offsets, undo, Lines and change notification, and hostile input.

#include "synmemo.h"

#include "Exception.h"
#include "TestFiles.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

TStrings Text(const QStringList& lines) {
    return TStrings(lines);
}

// A memo with a parent (gutter, footer) and a size, as the window has it.
struct TSizedMemo {
    QWidget Owner;
    TSyntaxMemo* Memo;
    explicit TSizedMemo(const QStringList& lines) : Memo(new TSyntaxMemo(&Owner)) {
        Owner.resize(400, 300);
        Memo->resize(300, 200);
        Owner.show();
        Memo->SetText(Text(lines));
    }
};

QString Repeated(QStringView s, int n) {
    QString r;
    for (int k = 0; k < n; ++k)
        r += s;
    return r;
}

} // namespace

class TestSynMemoText : public QObject {
    Q_OBJECT

private slots:
    void constructed() {
        TSyntaxMemo memo;
        QCOMPARE(memo.StoredLines(), QStringList{QString()});
        QCOMPARE(memo.GetPos(), QPoint(1, 1));
        QCOMPARE(memo.SelStart(), QPoint(0, 0));
        QCOMPARE(memo.SyntaxType(), stPascal);
        QCOMPARE(memo.UndoCount(), 0);
        QVERIFY(!memo.ShowGutter());
        QWidget owner;
        TSyntaxMemo parented(&owner);
        QVERIFY(parented.ShowGutter() && parented.ShowFooter());
        QCOMPARE(parented.GutterWidth(), 20);
        QCOMPARE(parented.FooterHeight(), 20);
    }

    void setPosClamps_data() {
        QTest::addColumn<QPoint>("wanted");
        QTest::addColumn<QPoint>("placed");
        QTest::newRow("origin") << QPoint(0, 0) << QPoint(1, 1);
        QTest::newRow("far right") << QPoint(5000, 1) << QPoint(1024, 1);
        QTest::newRow("below the text") << QPoint(3, 99) << QPoint(3, 3);
        QTest::newRow("negative") << QPoint(-5, -2) << QPoint(1, 1);
        QTest::newRow("virtual space") << QPoint(40, 2) << QPoint(40, 2);
    }

    void setPosClamps() {
        QFETCH(QPoint, wanted);
        QFETCH(QPoint, placed);
        TSizedMemo m({"ab", "cd", "ef"});
        m.Memo->SetPos(wanted.x(), wanted.y());
        QCOMPARE(m.Memo->GetPos(), placed);
    }

    void setPosScrollsCaretIntoView() {
        QStringList lines;
        for (int i = 0; i < 100; ++i)
            lines << QString::number(i);
        TSizedMemo m(lines);
        const QPoint window = m.Memo->WindowSize();
        QVERIFY(window.y() > 0);
        m.Memo->SetPos(1, 50);
        QCOMPARE(m.Memo->Offset(), QPoint(0, 50 - window.y()));
        m.Memo->SetPos(1, 3);
        QCOMPARE(m.Memo->Offset(), QPoint(0, 2));
        m.Memo->SetPos(window.x() + 10, 3);
        QCOMPARE(m.Memo->Offset(), QPoint(10, 2));
        // A new column and a new line at once: both are followed.
        m.Memo->SetPos(1, 90);
        QCOMPARE(m.Memo->Offset(), QPoint(0, 90 - window.y()));
        // A shorter text in place of the long one shows from its first line.
        m.Memo->SetText(TStrings({QStringLiteral("one"), QStringLiteral("two")}));
        m.Memo->SetPos(1, 2);
        QCOMPARE(m.Memo->Offset(), QPoint(0, 0));
    }

    void selText_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QPoint>("start");
        QTest::addColumn<QPoint>("end");
        QTest::addColumn<QString>("text");
        const QStringList two{"abcd", "efgh"};
        QTest::newRow("across lines") << two << QPoint(3, 1) << QPoint(2, 2) << "cd\r\ne";
        QTest::newRow("backwards") << two << QPoint(2, 2) << QPoint(3, 1) << "cd\r\ne";
        QTest::newRow("within a line") << two << QPoint(2, 1) << QPoint(4, 1) << "bc";
        QTest::newRow("whole lines") << two << QPoint(1, 1) << QPoint(1, 3) << "abcd\r\nefgh\r\n";
        QTest::newRow("end beyond the line") << two << QPoint(2, 1) << QPoint(9, 1) << "bcd";
        QTest::newRow("start in virtual space") << two << QPoint(7, 1) << QPoint(3, 2) << "ef";
        QTest::newRow("nothing selected") << two << QPoint(0, 0) << QPoint(0, 0) << "";
        QTest::newRow("blanks kept inside")
            << QStringList{"a  ", "b"} << QPoint(1, 1) << QPoint(2, 2) << "a  \r\nb";
    }

    void selText() {
        QFETCH(QStringList, lines);
        QFETCH(QPoint, start);
        QFETCH(QPoint, end);
        QFETCH(QString, text);
        TSizedMemo m(lines);
        m.Memo->MySel_Z(start, end);
        QCOMPARE(m.Memo->GetSelText(), text);
    }

    void setSelText_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QPoint>("caret");
        QTest::addColumn<QPoint>("selStart");
        QTest::addColumn<QPoint>("selEnd");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QPoint>("caretAfter");
        const QPoint none(0, 0);
        QTest::newRow("type in a line") << QStringList{"abcd"} << QPoint(3, 1) << none << none
                                        << "X" << QStringList{"abXcd"} << QPoint(4, 1);
        QTest::newRow("virtual space pads") << QStringList{"ab"} << QPoint(5, 1) << none << none
                                            << "X" << QStringList{"ab  X  "} << QPoint(6, 1);
        QTest::newRow("empty line pads") << QStringList{""} << QPoint(1, 1) << none << none << "X"
                                         << QStringList{"X  "} << QPoint(2, 1);
        QTest::newRow("split with CR LF")
            << QStringList{"abcd"} << QPoint(3, 1) << none << none << "\r\n"
            << QStringList{"ab", "cd"} << QPoint(1, 2);
        QTest::newRow("paste with LF") << QStringList{"ab"} << QPoint(2, 1) << none << none
                                       << "x\ny" << QStringList{"ax", "yb"} << QPoint(2, 2);
        QTest::newRow("replace across lines")
            << QStringList{"abcd", "efgh", "ijkl"} << QPoint(2, 3) << QPoint(3, 1) << QPoint(2, 3)
            << "-" << QStringList{"ab-jkl"} << QPoint(4, 1);
        QTest::newRow("delete whole lines")
            << QStringList{"abcd", "efgh", "ijkl"} << QPoint(1, 3) << QPoint(1, 2) << QPoint(1, 3)
            << "" << QStringList{"abcd", "ijkl"} << QPoint(1, 2);
        QTest::newRow("delete everything")
            << QStringList{"ab", "cd"} << QPoint(3, 2) << QPoint(1, 1) << QPoint(3, 2) << ""
            << QStringList{""} << QPoint(1, 1);
        QTest::newRow("selection in virtual space")
            << QStringList{"ab"} << QPoint(8, 1) << QPoint(5, 1) << QPoint(8, 1) << "X"
            << QStringList{"ab  X  "} << QPoint(6, 1);
    }

    void setSelText() {
        QFETCH(QStringList, lines);
        QFETCH(QPoint, caret);
        QFETCH(QPoint, selStart);
        QFETCH(QPoint, selEnd);
        QFETCH(QString, value);
        QFETCH(QStringList, stored);
        QFETCH(QPoint, caretAfter);
        TSizedMemo m(lines);
        m.Memo->SetPos(caret.x(), caret.y());
        if (selStart.x() != 0)
            m.Memo->MySel_Z(selStart, selEnd);
        m.Memo->SetSelText(value);
        QCOMPARE(m.Memo->StoredLines(), stored);
        QCOMPARE(m.Memo->GetPos(), caretAfter);
        QCOMPARE(m.Memo->SelStart().x(), 0);
    }

    void linesReadDropsTrailingBlanks() {
        TSizedMemo m({"ab  X  ", "c\t", "  d"});
        QCOMPARE(m.Memo->Lines().Strings().Lines(), QStringList({"ab  X", "c", "  d"}));
        QCOMPARE(m.Memo->StoredLines(), QStringList({"ab  X", "c", "  d"}));
    }

    void changeThroughLinesIsOutsideReplacement() {
        TSizedMemo m({"abc", "def"});
        QSignalSpy changes(m.Memo, &TSyntaxMemo::OnChange);
        m.Memo->SetPos(3, 2);
        m.Memo->SetSelText(QStringLiteral("x"));
        m.Memo->MySel_Z({1, 1}, {2, 1});
        QCOMPARE(m.Memo->UndoCount(), 1);
        QCOMPARE(changes.count(), 1);
        QVERIFY(m.Memo->Modified());

        m.Memo->Lines().Put(0, QStringLiteral("zzz"));
        QCOMPARE(m.Memo->UndoCount(), 0);
        QCOMPARE(m.Memo->SelStart(), QPoint(0, 0));
        QCOMPARE(changes.count(), 1);

        // The memo's own edits are no outside replacement once the pass is done.
        m.Memo->SetSelText(QStringLiteral("y"));
        QCOMPARE(m.Memo->UndoCount(), 1);
    }

    void loadingAFileThroughLines() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("unit1.pas"));
        WriteBytes(path, "\xEF\xBB\xBF"
                         "begin\r\n"
                         "\xD0\xB0"
                         "  \r\n");
        TSizedMemo m({"old"});
        m.Memo->SetSelText(QStringLiteral("x"));
        m.Memo->Lines().Clear();
        m.Memo->Lines().LoadFromFile(path);
        QCOMPARE(m.Memo->StoredLines(), QStringList({"begin", QString::fromUtf8("а  ")}));
        QCOMPARE(m.Memo->Lines().Encoding(), TTextEncoding::Utf8);
        QCOMPARE(m.Memo->UndoCount(), 0);
        QCOMPARE(m.Memo->CharAttr(1, 1), quint8(caKeyword));

        QVERIFY_THROWS_EXCEPTION(Exception, m.Memo->Lines().LoadFromFile(dir.filePath("none")));
        QCOMPARE(m.Memo->StoredLines(), QStringList({"begin", QString::fromUtf8("а")}));
    }

    void caretPlacementIsReported() {
        TSizedMemo m({"abc", "def"});
        QSignalSpy positions(m.Memo, &TSyntaxMemo::OnChangePOS);
        m.Memo->SetPos(3, 2);
        QVERIFY(!positions.isEmpty());
        QCOMPARE(positions.last(), QVariantList({2, 3}));
    }

    void assigningNothingLeavesOneLine() {
        TSizedMemo m({"abc", "def"});
        m.Memo->SetPos(3, 2);
        m.Memo->SetSelText(QStringLiteral("x"));
        m.Memo->SetText(TStrings());
        QCOMPARE(m.Memo->StoredLines(), QStringList{QString()});
        QCOMPARE(m.Memo->GetPos(), QPoint(4, 1));
        QCOMPARE(m.Memo->UndoCount(), 0);
        m.Memo->Lines().Clear();
        QCOMPARE(m.Memo->StoredLines(), QStringList{QString()});
    }

    void undoKeepsThirtyTwoSnapshots() {
        TSizedMemo m({""});
        QStringList after;
        for (int k = 0; k < 40; ++k) {
            after << m.Memo->StoredLines().join(u'|');
            m.Memo->SetSelText(QString(QChar(u'a' + k % 26)));
        }
        QCOMPARE(m.Memo->UndoCount(), 32);
        for (int k = 0; k < 32; ++k)
            m.Memo->Undo();
        QCOMPARE(m.Memo->StoredLines().join(u'|'), after[8]);
        QCOMPARE(m.Memo->GetPos(), QPoint(9, 1));
        m.Memo->Undo();
        QCOMPARE(m.Memo->StoredLines().join(u'|'), after[8]);
    }

    void undoRightAfterReadingLines() {
        TSizedMemo m({"abc"});
        m.Memo->SetSelText(QStringLiteral("1"));
        m.Memo->SetSelText(QStringLiteral("2"));
        QCOMPARE(m.Memo->Lines().Count(), 1);
        m.Memo->Undo();
        QCOMPARE(m.Memo->UndoCount(), 1);
        m.Memo->Undo();
        QCOMPARE(m.Memo->Lines()[0], QStringLiteral("abc"));
    }

    void readOnlyIgnoresTyping() {
        TSizedMemo m({"abc"});
        m.Memo->SetReadOnly(true);
        m.Memo->SetSelText(QStringLiteral("x"));
        QCOMPARE(m.Memo->StoredLines(), QStringList{"abc"});
        QCOMPARE(m.Memo->UndoCount(), 0);
    }

    void plainTextOffsets_data() {
        QTest::addColumn<qint64>("offset");
        QTest::addColumn<QPoint>("pos");
        QTest::newRow("first") << qint64(1) << QPoint(1, 1);
        QTest::newRow("last of line") << qint64(4) << QPoint(4, 1);
        QTest::newRow("carriage return") << qint64(5) << QPoint(5, 1);
        QTest::newRow("line feed") << qint64(6) << QPoint(5, 1);
        QTest::newRow("next line") << qint64(7) << QPoint(1, 2);
        QTest::newRow("before the text") << qint64(0) << QPoint(0, 1);
        QTest::newRow("after the text") << qint64(100) << QPoint(0, 3);
    }

    void plainTextOffsets() {
        QFETCH(qint64, offset);
        QFETCH(QPoint, pos);
        TSizedMemo m({"abcd", "efgh"});
        QCOMPARE(m.Memo->GetPosPlainText(offset), pos);
        if (offset >= 1 && offset <= 12 && offset != 6)
            QCOMPARE(m.Memo->GetPlainTextPos(pos), offset);
    }

    void markersFollowInsertedLines() {
        TSizedMemo m({"a", "b", "c", "d", "e", "f", "g", "h"});
        m.Memo->AddBookmark(6, 1);
        m.Memo->AddBookmark(2, 2);
        m.Memo->fCurLine_Set(4);
        m.Memo->SetPos(2, 3);
        m.Memo->SetSelText(QStringLiteral("\r\n"));
        QCOMPARE(m.Memo->Get_NumLine_From_Bookmark(1), 7);
        QCOMPARE(m.Memo->Get_NumLine_From_Bookmark(2), 2);
        QCOMPARE(m.Memo->Get_NumLine_From_Bookmark(0), -1);
        QCOMPARE(m.Memo->CurLine(), 5);
    }

    void selectionHelpers() {
        TSizedMemo m({"abcd", "ef"});
        QVERIFY(!m.Memo->MySetSelect(5, 1, 1));
        QVERIFY(!m.Memo->MySetSelect(0, 0, 1));
        QVERIFY(m.Memo->MySetSelect(0, 2, 2));
        QCOMPARE(m.Memo->GetSelText(), QStringLiteral("bc"));
        m.Memo->MySelectAll();
        QCOMPARE(m.Memo->GetSelText(), QStringLiteral("abcd\r\nef"));
        QVERIFY(m.Memo->IsBlock(1, 1));
        QVERIFY(!m.Memo->IsBlock(3, 2));
        m.Memo->ClearSel();
        QVERIFY(!m.Memo->IsBlock(1, 1));
    }

    void propertiesClamp() {
        TSyntaxMemo memo;
        memo.Set_ShiftSizeForShiftSelected(40);
        QCOMPARE(memo.ShiftSizeForShiftSelected(), 10);
        memo.Set_ShiftSizeForShiftSelected(0);
        QCOMPARE(memo.ShiftSizeForShiftSelected(), 1);
        memo.Set_TabWidth(9);
        QCOMPARE(memo.TabWidth(), 8);
        memo.Set_TabWidth(-1);
        QCOMPARE(memo.TabWidth(), 0);
        memo.fCommentLine_Set(QStringLiteral("  "));
        QCOMPARE(memo.CommentLine(), QStringLiteral("%"));
        memo.fCommentLine_Set(QStringLiteral(" // "));
        QCOMPARE(memo.CommentLine(), QStringLiteral("//"));
        memo.Set_TabWidth(4);
        QCOMPARE(memo.Pad(1, 9), QStringLiteral("    "));
        QCOMPARE(memo.Pad(2, 32), QStringLiteral("  "));
        QCOMPARE(memo.Pad(-3, 32), QString());
    }

    // Hostile input: nothing crashes or hangs, positions stay clamped.
    void longLine() {
        TSizedMemo m({Repeated(u"begin ", 20000), "short"});
        m.Memo->SetPos(200000, 1);
        QCOMPARE(m.Memo->GetPos(), QPoint(120000, 1));
        m.Memo->SetPos(100000, 1);
        QCOMPARE(m.Memo->GetPos(), QPoint(100000, 1));
        m.Memo->SetSelText(QStringLiteral("x"));
        QCOMPARE(m.Memo->StoredLines()[0].size(), 120001);
        QCOMPARE(m.Memo->StoredLines()[0][99999], QChar(u'x'));
        QCOMPARE(m.Memo->GetPos(), QPoint(100001, 1));
        // A short line keeps the caret within 1024 columns.
        m.Memo->SetPos(100000, 2);
        QCOMPARE(m.Memo->GetPos(), QPoint(1024, 2));
        m.Memo->grab();
    }

    void millionLines() {
        TSizedMemo m({});
        QStringList lines(1000000, QStringLiteral("x := 1;"));
        m.Memo->SetText(Text(lines));
        m.Memo->SetPos(3, 1000000);
        QCOMPARE(m.Memo->GetPos(), QPoint(3, 1000000));
        m.Memo->SetSelText(QStringLiteral("{"));
        QCOMPARE(m.Memo->CharAttr(3, 1000000), quint8(caComment));
        m.Memo->SetPos(1, 1);
        m.Memo->SetSelText(QStringLiteral("(*"));
        QCOMPARE(m.Memo->CharAttr(1, 999999), quint8(caComment));
        m.Memo->Undo();
        QCOMPARE(m.Memo->CharAttr(1, 999999), quint8(caText));
        m.Memo->grab();
    }

    void controlCharactersAndSplitSurrogates() {
        TSizedMemo m({QString::fromUtf16(u"a\0b\x01\x1b"
                                         "c",
                                         6),
                      QString::fromUtf16(u"x\U0001F600y")});
        m.Memo->SetPos(3, 2);
        m.Memo->SetSelText(QStringLiteral("-"));
        QCOMPARE(m.Memo->StoredLines()[1].size(), 5);
        m.Memo->MySel_Z({2, 1}, {3, 2});
        m.Memo->SetSelText(QString(QChar(0)));
        QCOMPARE(m.Memo->StoredLines().size(), 1);
        m.Memo->SetPos(1, 1);
        m.Memo->SetSelText(QString::fromUtf16(u"\r\r\n\n\0", 5));
        QCOMPARE(m.Memo->StoredLines().size(), 4);
        m.Memo->grab();
    }

    void selectionEndsOutsideTheText() {
        TSizedMemo m({"abc"});
        m.Memo->MySel_Z({5, 9}, {-3, -7});
        m.Memo->GetSelText();
        m.Memo->SetSelText(QStringLiteral("x"));
        QVERIFY(!m.Memo->StoredLines().isEmpty());
        m.Memo->grab();
    }
};

QTEST_MAIN(TestSynMemoText)
#include "test_synmemo_text.moc"
