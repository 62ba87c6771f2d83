// Search with the search dialog and F3, and "EnvVar select" with the variable list dialog;
// the modal dialogs are answered as a user answers them.

#include "MemoDriver.h"
#include "SynMemoSearch.h"
#include "synmemo_listenvvar.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <functional>

namespace {

// Answers the next modal dialog with `answer` as soon as it is shown.
struct TModalAnswer {
    QTimer Timer;
    int Shown = 0;
    explicit TModalAnswer(std::function<void(QWidget*)> answer) {
        Timer.setInterval(5);
        QObject::connect(&Timer, &QTimer::timeout, [this, answer] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (!dialog)
                return;
            Timer.stop();
            ++Shown;
            answer(dialog);
            // A dialog the answer failed to close must not hang the test.
            QTimer::singleShot(2000, dialog, [dialog] {
                if (dialog->isVisible())
                    dialog->close();
            });
        });
        Timer.start();
    }
};

// Types `text` into the search dialog and presses `button` ("Search" or "Button1").
std::function<void(QWidget*)> SearchFor(const QString& text, const char* button) {
    return [text, button](QWidget* dialog) {
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("Edit1"));
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QString::fromLatin1(button)),
                          Qt::LeftButton);
    };
}

QAction* EnvVarAction(TSyntaxMemo* memo) {
    return memo->findChild<QAction*>(QStringLiteral("EnvVarSelPopup"));
}

// Picks the list line `row` and presses `button` ("OKBtn" or "CancelBtn").
std::function<void(QWidget*)> PickRow(int row, const QString& button) {
    return [row, button](QWidget* dialog) {
        auto* list = dialog->findChild<QListWidget*>(QStringLiteral("ListBox1"));
        if (row >= 0)
            list->setCurrentRow(row);
        QTest::mouseClick(dialog->findChild<QPushButton*>(button), Qt::LeftButton);
    };
}

const QStringList Variables{"PATH=C:\\bin", "TEMP=C:\\tmp", "no equals sign", " HOME =C:\\home"};

} // namespace

class TestSynMemoDialogs : public QObject {
    Q_OBJECT

private slots:
    void find_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QPoint>("caret");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QPoint>("found");
        using L = QStringList;
        const QPoint none(0, 0);
        QTest::newRow("after the caret on the caret line")
            << L{"begin x begin"} << QPoint(1, 1) << "begin" << QPoint(9, 1);
        QTest::newRow("a later line")
            << L{"a", "xx begin"} << QPoint(1, 1) << "begin" << QPoint(4, 2);
        QTest::newRow("ASCII letters in any case")
            << L{"x", "Begin"} << QPoint(1, 1) << "bEGIN" << QPoint(1, 2);
        QTest::newRow("other letters keep their case")
            << L{"x", QString::fromUtf8("пример")} << QPoint(1, 1) << QString::fromUtf8("ПРИМЕР")
            << none;
        QTest::newRow("Cyrillic as typed") << L{"x", QString::fromUtf8("a пример")} << QPoint(1, 1)
                                           << QString::fromUtf8("пример") << QPoint(3, 2);
        QTest::newRow("no wrap to the top") << L{"begin", "x"} << QPoint(1, 2) << "begin" << none;
        QTest::newRow("the match at the caret is not found again")
            << L{"begin"} << QPoint(1, 1) << "begin" << none;
        QTest::newRow("from virtual space to the next line")
            << L{"begin", "begin"} << QPoint(9, 1) << "begin" << QPoint(1, 2);
        QTest::newRow("empty text") << L{"a", "b"} << QPoint(1, 1) << "" << none;
        QTest::newRow("a blank") << L{"a b"} << QPoint(1, 1) << " " << QPoint(2, 1);
        QTest::newRow("longer than any line") << L{"ab", "c"} << QPoint(1, 1) << "abc" << none;
        QTest::newRow("across a line break is not found")
            << L{"ab", "cd"} << QPoint(1, 1) << "b\r\nc" << none;
        QTest::newRow("past the right edge")
            << L{QString(60, u'x') + " needle"} << QPoint(1, 1) << "needle" << QPoint(62, 1);
        QTest::newRow("past the right edge, lines below")
            << L{"a", "b", "c", "d", "e",
                 "f", "g", "h", "i", "j",
                 "k", "l", "m", "n", QString(33, u'y') + " needle"}
            << QPoint(1, 1) << "needle" << QPoint(35, 15);
    }

    void find() {
        QFETCH(QStringList, lines);
        QFETCH(QPoint, caret);
        QFETCH(QString, text);
        QFETCH(QPoint, found);
        TDrivenMemo m(lines);
        m.Memo->SetPos(caret.x(), caret.y());
        const bool result = m.Memo->Find(text);
        QCOMPARE(result, found.x() != 0);
        if (result) {
            QCOMPARE(m.Memo->GetPos(), found);
            // The whole match is in view.
            const QPoint offset = m.Memo->Offset();
            const QPoint size = m.Memo->WindowSize();
            QVERIFY(offset.x() < found.x());
            QVERIFY(found.x() + text.size() - 1 <= offset.x() + size.x());
            QVERIFY(offset.y() < found.y() && found.y() <= offset.y() + size.y());
            QVERIFY(m.Memo->Message().isEmpty());
            QCOMPARE(m.Selection(), TSel());
        } else {
            QCOMPARE(m.Memo->GetPos(), caret);
            QCOMPARE(m.Memo->Message(), "Text \"" + text + "\" not found.");
        }
    }

    void f3FindsEachOccurrence() {
        TDrivenMemo m({"x begin", "Begin begin", "y", "BEGIN"});
        m.Memo->LastSearch = QStringLiteral("begin");
        const QList<QPoint> stops{{3, 1}, {1, 2}, {7, 2}, {1, 4}};
        for (const QPoint& stop : stops) {
            m.Press({"F3"});
            QCOMPARE(m.Memo->GetPos(), stop);
        }
        m.Press({"F3"});
        QCOMPARE(m.Memo->GetPos(), QPoint(1, 4));
        QCOMPARE(m.Memo->Message(), QStringLiteral("Text \"begin\" not found."));
        m.Memo->grab();
        // The next caret placement removes the message.
        m.Press({"Up"});
        QVERIFY(m.Memo->Message().isEmpty());
    }

    void f3GoesOnBeyondColumn1024() {
        QString first(1500, u'.');
        first.replace(1099, 5, QStringLiteral("begin")).replace(1299, 5, QStringLiteral("BEGIN"));
        QString third(2000, u'.');
        third.replace(1799, 5, QStringLiteral("begin"));
        TDrivenMemo m({first, "x", third});
        m.Memo->LastSearch = QStringLiteral("begin");
        for (const QPoint stop : {QPoint(1100, 1), QPoint(1300, 1), QPoint(1800, 3)}) {
            m.Press({"F3"});
            QCOMPARE(m.Memo->GetPos(), stop);
        }
        m.Press({"F3"});
        QCOMPARE(m.Memo->GetPos(), QPoint(1800, 3));
        QVERIFY(!m.Memo->Message().isEmpty());
    }

    void f3BeforeAnySearch() {
        TDrivenMemo m({"a", "b"});
        m.Press({"F3"});
        QCOMPARE(m.Memo->Message(), QStringLiteral("Text \"\" not found."));
        m.Press({"Backspace"});
        QVERIFY(m.Memo->Message().isEmpty());
    }

    void searchDialog() {
        TDrivenMemo m({"one", "two three", "three"});
        bool global = false;
        TModalAnswer answer([&](QWidget* dialog) {
            global = SynMemoSearch == dialog;
            SearchFor(QStringLiteral("THREE"), "Search")(dialog);
        });
        m.Press({"Ctrl+F"});
        QCOMPARE(answer.Shown, 1);
        QVERIFY(global);
        QCOMPARE(SynMemoSearch, nullptr);
        QCOMPARE(m.Memo->GetPos(), QPoint(5, 2));
        QCOMPARE(m.Memo->LastSearch, QStringLiteral("THREE"));
        m.Press({"F3"});
        QCOMPARE(m.Memo->GetPos(), QPoint(1, 3));
    }

    void searchDialogPrefillAndCancel() {
        TDrivenMemo m({"alpha beta", "beta"});
        m.Memo->SetPos(7, 1);
        m.Press({"Shift+Ctrl+Right"});
        QString prefilled;
        TModalAnswer answer([&](QWidget* dialog) {
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("Edit1"));
            prefilled = edit->text();
            QTest::keyClick(edit, Qt::Key_End);
            QTest::keyClicks(edit, QStringLiteral("x"));
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        QVERIFY(!m.Memo->MyFind(QString()));
        QCOMPARE(prefilled, QStringLiteral("beta"));
        QCOMPARE(m.Memo->LastSearch, QStringLiteral("betax"));
        QCOMPARE(m.Memo->GetPos(), QPoint(11, 1));

        // A text the caller names wins over the selection.
        TModalAnswer again([&](QWidget* dialog) {
            prefilled = dialog->findChild<QLineEdit*>(QStringLiteral("Edit1"))->text();
            SearchFor(prefilled, "Button1")(dialog);
        });
        QVERIFY(!m.Memo->MyFind(QStringLiteral(" al ")));
        QCOMPARE(prefilled, QStringLiteral(" al "));
    }

    void enterAnywhereSearches() {
        TDrivenMemo m({"a", "key"});
        TModalAnswer answer([](QWidget* dialog) {
            QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("Edit1")), "KEY");
            auto* cancel = dialog->findChild<QPushButton*>(QStringLiteral("Button1"));
            cancel->setFocus();
            QTest::keyClick(cancel, Qt::Key_Return);
        });
        QVERIFY(m.Memo->MyFind(QString()));
        QCOMPARE(m.Memo->GetPos(), QPoint(1, 2));
    }

    void searchInAHugeText() {
        QStringList lines(200000, QStringLiteral("x := 1;"));
        lines << QStringLiteral("needle");
        TDrivenMemo m(lines);
        QVERIFY(m.Memo->Find(QStringLiteral("NEEDLE")));
        QCOMPARE(m.Memo->GetPos(), QPoint(1, 200001));
    }

    void envVarSelect_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QPoint>("caret");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("text");
        QTest::newRow("first line") << "echo x" << QPoint(6, 1) << 0 << "OKBtn"
                                    << "echo $(PATH)x";
        QTest::newRow("trimmed name") << "ab" << QPoint(1, 1) << 3 << "OKBtn"
                                      << "$(HOME)ab";
        QTest::newRow("beyond the end is appended") << "ab" << QPoint(9, 1) << 1 << "OKBtn"
                                                    << "ab$(TEMP)";
        QTest::newRow("cancel") << "ab" << QPoint(2, 1) << 0 << "CancelBtn"
                                << "ab";
        QTest::newRow("nothing chosen") << "ab" << QPoint(2, 1) << -1 << "OKBtn"
                                        << "ab";
        QTest::newRow("a line without a name") << "ab" << QPoint(2, 1) << 2 << "OKBtn"
                                               << "ab";
        QTest::newRow("an empty line takes nothing") << "" << QPoint(1, 1) << 0 << "OKBtn"
                                                     << "";
    }

    void envVarSelect() {
        QFETCH(QString, line);
        QFETCH(QPoint, caret);
        QFETCH(int, row);
        QFETCH(QString, button);
        QFETCH(QString, text);
        TDrivenMemo m({"first", line});
        const TStrings variables(Variables);
        QCOMPARE(m.Memo->ListEnvVars_Assign(&variables), 4);
        m.Memo->SetPos(caret.x(), caret.y() + 1);
        QSignalSpy changes(m.Memo, &TSyntaxMemo::OnChange);
        TModalAnswer answer(PickRow(row, button));
        EnvVarAction(m.Memo)->trigger();
        QCOMPARE(answer.Shown, 1);
        QCOMPARE(m.Text(), QStringList({"first", text}));
        QCOMPARE(m.Memo->GetPos(), QPoint(caret.x(), caret.y() + 1));
        QCOMPARE(changes.count(), text == line ? 0 : 1);
    }

    void envVarSelectReadOnlyAndUndo() {
        TDrivenMemo m({"ab"});
        const TStrings variables(Variables);
        m.Memo->ListEnvVars_Assign(&variables);
        m.Press({"\"x"});
        QCOMPARE(m.Memo->UndoCount(), 1);
        m.Memo->SetReadOnly(true);
        TModalAnswer answer([](QWidget* dialog) {
            auto* list = dialog->findChild<QListWidget*>(QStringLiteral("ListBox1"));
            const QPoint at = list->visualItemRect(list->item(1)).center();
            QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        });
        EnvVarAction(m.Memo)->trigger();
        QCOMPARE(m.Text(), QStringList{"x$(TEMP)ab"});
        QCOMPARE(m.Memo->UndoCount(), 0);
    }

    void emptyListShowsNothing() {
        TDrivenMemo m({"ab"});
        QCOMPARE(m.Memo->ListEnvVars_Assign(nullptr), 0);
        TModalAnswer answer([](QWidget* dialog) { dialog->close(); });
        EnvVarAction(m.Memo)->trigger();
        QCOMPARE(answer.Shown, 0);
        QCOMPARE(m.Text(), QStringList{"ab"});
        QCOMPARE(Sel_From_List(nullptr, QStringLiteral("PATH")), QString());
    }

    void listDialogPresetAndPick() {
        const TStrings variables(Variables);
        QStringList shown;
        int selected = -2;
        TModalAnswer answer([&](QWidget* dialog) {
            auto* list = dialog->findChild<QListWidget*>(QStringLiteral("ListBox1"));
            for (int k = 0; k < list->count(); ++k)
                shown << list->item(k)->text();
            selected = list->currentRow();
            PickRow(-1, QStringLiteral("OKBtn"))(dialog);
        });
        QCOMPARE(Sel_From_List(&variables, QStringLiteral(" temp ")), QStringLiteral("TEMP"));
        QCOMPARE(shown, Variables);
        QCOMPARE(selected, 1);
    }
};

QTEST_MAIN(TestSynMemoDialogs)
#include "test_synmemo_dialogs.moc"
