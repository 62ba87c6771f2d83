// The text view dialog driven as a user drives it: the modal window is answered from a
// timer once it is up.

#include "_View_Text.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <functional>

namespace {

// Runs `act` once on the first modal window of type Dialog. A failed check inside `act`
// closes the window, so that a fault cannot leave the test waiting forever.
template <class Dialog> void WhenModal(std::function<void(Dialog*)> act) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll->deleteLater();
        poll->stop();
        act(dialog);
        if (QTest::currentTestFailed())
            dialog->reject();
    });
    poll->start(10);
}

template <class T> T* Child(QWidget* dialog, const char* name) {
    T* child = dialog->findChild<T*>(QString::fromLatin1(name));
    if (!child)
        qFatal("no control %s", name);
    return child;
}

QPlainTextEdit* Text(QWidget* dialog) {
    return Child<QPlainTextEdit>(dialog, "RE_Text");
}

void ClickOk(QWidget* dialog) {
    QTest::mouseClick(Child<QPushButton>(dialog, "OKBtn"), Qt::LeftButton);
}

} // namespace

class TestViewText : public QObject {
    Q_OBJECT

private slots:
    void captionAndHeading_data();
    void captionAndHeading();
    void textDividedIntoLines();
    void closing_data();
    void closing();
    void typingChangesNothing();
    void copyPutsEveryLineWithBreak_data();
    void copyPutsEveryLineWithBreak();
    void fontSizeStepsAndStopsAtOnePoint();
    void fontDialog_data();
    void fontDialog();
    void maximisedAfterShowing();
    void keepsDesignedSizeOtherwise();
};

void TestViewText::captionAndHeading_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("head");
    QTest::addColumn<QString>("shownCaption");
    QTest::addColumn<QString>("shownHead");
    QTest::newRow("empty caption keeps its own") << ""
                                                 << "Теги HTML"
                                                 << "Текст"
                                                 << "Теги HTML";
    QTest::newRow("blank caption keeps its own") << " \t "
                                                 << ""
                                                 << "Текст"
                                                 << "";
    QTest::newRow("caption and heading trimmed") << "  Расшифровка параметров: \"Теги\"  "
                                                 << "\t Теги HTML \r\n"
                                                 << "Расшифровка параметров: \"Теги\""
                                                 << "Теги HTML";
    QTest::newRow("heading is plain text") << "x"
                                           << "<b>a</b>"
                                           << "x"
                                           << "<b>a</b>";
}

void TestViewText::captionAndHeading() {
    QFETCH(QString, caption);
    QFETCH(QString, head);
    QFETCH(QString, shownCaption);
    QFETCH(QString, shownHead);
    QString seenCaption, seenHead;
    Qt::TextFormat headFormat = Qt::AutoText;
    WhenModal<TDlg_Text>([&](TDlg_Text* dialog) {
        seenCaption = dialog->windowTitle();
        auto* label = Child<QLabel>(dialog, "Label_Head");
        seenHead = label->text();
        headFormat = label->textFormat();
        ClickOk(dialog);
    });
    QVERIFY(View_Text(-1, "text", caption, head, false));
    QCOMPARE(seenCaption, shownCaption);
    QCOMPARE(seenHead, shownHead);
    QCOMPARE(headFormat, Qt::PlainText);
}

void TestViewText::textDividedIntoLines() {
    QString shown;
    WhenModal<TDlg_Text>([&](TDlg_Text* dialog) {
        shown = Text(dialog)->toPlainText();
        ClickOk(dialog);
    });
    View_Text("one\rtwo\r\nthree\n\nfive\n", "", "", false);
    QCOMPARE(shown, QStringLiteral("one\ntwo\nthree\n\nfive"));
}

void TestViewText::closing_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("result");
    QTest::newRow("OK button") << "ok button" << true;
    QTest::newRow("Ctrl+Alt+O") << "ctrl+alt+o" << true;
    QTest::newRow("menu Ok") << "menu ok" << true;
    QTest::newRow("Escape in the text") << "escape" << false;
    QTest::newRow("menu Cancel") << "menu cancel" << false;
    QTest::newRow("close box") << "close" << false;
}

void TestViewText::closing() {
    QFETCH(QString, how);
    QFETCH(bool, result);
    WhenModal<TDlg_Text>([how](TDlg_Text* dialog) {
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        if (how == "ok button") {
            ClickOk(dialog);
        } else if (how == "ctrl+alt+o") {
            QTest::keyClick(Text(dialog), Qt::Key_O, Qt::ControlModifier | Qt::AltModifier);
        } else if (how == "menu ok") {
            Child<QAction>(dialog, "mnuAction_Ok")->trigger();
        } else if (how == "escape") {
            Text(dialog)->setFocus();
            QTest::keyClick(Text(dialog), Qt::Key_Escape);
        } else if (how == "menu cancel") {
            Child<QAction>(dialog, "mnuAction_Cancel")->trigger();
        } else {
            dialog->close();
        }
    });
    QCOMPARE(View_Text("text", "", "", false), result);
}

void TestViewText::typingChangesNothing() {
    QString after;
    QGuiApplication::clipboard()->setText("pasted");
    WhenModal<TDlg_Text>([&](TDlg_Text* dialog) {
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QPlainTextEdit* text = Text(dialog);
        text->setFocus();
        QTest::keyClicks(text, "typed");
        QTest::keyClick(text, Qt::Key_Backspace);
        QTest::keyClick(text, Qt::Key_Delete);
        QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(text, Qt::Key_X, Qt::ControlModifier);
        QTest::keyClick(text, Qt::Key_V, Qt::ControlModifier);
        after = text->toPlainText();
        ClickOk(dialog);
    });
    View_Text("line 1\nline 2", "", "", false);
    QCOMPARE(after, QStringLiteral("line 1\nline 2"));
}

void TestViewText::copyPutsEveryLineWithBreak_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("copied");
    QTest::newRow("break after the last line") << "Первая\rвторая\n\nчетвёртая"
                                               << "Первая\r\nвторая\r\n\r\nчетвёртая\r\n";
    QTest::newRow("given break at the end") << "a\n"
                                            << "a\r\n";
    QTest::newRow("empty text") << ""
                                << "";
}

void TestViewText::copyPutsEveryLineWithBreak() {
    QFETCH(QString, text);
    QFETCH(QString, copied);
    QGuiApplication::clipboard()->setText("old");
    WhenModal<TDlg_Text>([](TDlg_Text* dialog) {
        QTest::mouseClick(Child<QToolButton>(dialog, "sb_ToClipboard"), Qt::LeftButton);
        ClickOk(dialog);
    });
    View_Text(text, "", "", false);
    QCOMPARE(QGuiApplication::clipboard()->text(), copied);
}

void TestViewText::fontSizeStepsAndStopsAtOnePoint() {
    int afterUp = 0, afterDown = 0, atBottom = 0, upFromBottom = 0;
    WhenModal<TDlg_Text>([&](TDlg_Text* dialog) {
        auto* up = Child<QToolButton>(dialog, "UpButton");
        auto* down = Child<QToolButton>(dialog, "DownButton");
        QPlainTextEdit* text = Text(dialog);
        QTest::mouseClick(up, Qt::LeftButton);
        afterUp = text->font().pointSize();
        QTest::mouseClick(down, Qt::LeftButton);
        afterDown = text->font().pointSize();
        for (int i = 0; i < 40; ++i)
            QTest::mouseClick(down, Qt::LeftButton);
        atBottom = text->font().pointSize();
        QTest::mouseClick(up, Qt::LeftButton);
        upFromBottom = text->font().pointSize();
        ClickOk(dialog);
    });
    View_Text("text", "", "", false);
    QVERIFY(afterUp > 1);
    QCOMPARE(afterDown, afterUp - 1);
    QCOMPARE(atBottom, 1);
    QCOMPARE(upFromBottom, 2);
}

void TestViewText::fontDialog_data() {
    QTest::addColumn<bool>("confirm");
    QTest::newRow("confirmed") << true;
    QTest::newRow("cancelled") << false;
}

void TestViewText::fontDialog() {
    QFETCH(bool, confirm);
    QFont after;
    QFont chosen(QStringLiteral("DejaVu Sans Mono"), 21);
    WhenModal<TDlg_Text>([&](TDlg_Text* dialog) {
        WhenModal<QFontDialog>([&](QFontDialog* fonts) {
            fonts->setCurrentFont(chosen);
            chosen = fonts->currentFont();
            confirm ? fonts->accept() : fonts->reject();
        });
        QTest::mouseClick(Child<QToolButton>(dialog, "Btn_Info_Font"), Qt::LeftButton);
        after = Text(dialog)->font();
        ClickOk(dialog);
    });
    View_Text("text", "", "", false);
    if (confirm) {
        QCOMPARE(after.family(), chosen.family());
        QCOMPARE(after.pointSize(), chosen.pointSize());
    } else {
        QCOMPARE(after.family(), QStringLiteral("Times New Roman"));
        QCOMPARE(after.pixelSize(), 19);
    }
}

void TestViewText::maximisedAfterShowing() {
    bool maximisedAtFirst = true;
    WhenModal<TDlg_Text>([&](TDlg_Text* dialog) {
        maximisedAtFirst = dialog->isMaximized();
        QTRY_VERIFY(dialog->isMaximized());
        QVERIFY(!Child<QTimer>(dialog, "Timer1")->isActive());
        ClickOk(dialog);
    });
    QVERIFY(View_Text("text", "", "", true));
    QVERIFY(!maximisedAtFirst);
}

void TestViewText::keepsDesignedSizeOtherwise() {
    bool timerActive = true, maximised = true;
    int width = 0;
    WhenModal<TDlg_Text>([&](TDlg_Text* dialog) {
        timerActive = Child<QTimer>(dialog, "Timer1")->isActive();
        maximised = dialog->isMaximized();
        width = dialog->width();
        ClickOk(dialog);
    });
    View_Text("text", "", "", false);
    QVERIFY(!timerActive);
    QVERIFY(!maximised);
    QCOMPARE(width, 989);
}

QTEST_MAIN(TestViewText)
#include "test_View_Text.moc"
