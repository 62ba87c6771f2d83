// TSyntaxMemo: construction, properties, caret placement, selection and change notification.

#include "synmemo.h"

#include "Trim.h"

#include <QEvent>
#include <QScrollBar>

TSyntaxMemo::TSyntaxMemo(QWidget* AOwner) : QWidget(AOwner) {
    FVScroll = new QScrollBar(Qt::Vertical, this);
    FVScroll->setObjectName(QStringLiteral("FVScroll"));
    // The memo keeps the focus when the bar is used.
    FVScroll->setFocusPolicy(Qt::NoFocus);
    FVScroll->hide();
    connect(FVScroll, &QScrollBar::valueChanged, this, &TSyntaxMemo::ScrollClick);

    Bookmarks.fill(-1);
    FText.Add(QString());

    const QPalette& pal = palette();
    FColor = pal.color(QPalette::Button);
    FBlockColor = pal.color(QPalette::Highlight);
    FBlockFontColor = pal.color(QPalette::HighlightedText);
    FTextAttr.Color = pal.color(QPalette::Text);
    FKeywordAttr.Color = pal.color(QPalette::Text);
    FKeywordAttr.Font.setBold(true);
    FCommentAttr.Color = QColor(0, 0, 0x80);
    FCommentAttr.Font.setItalic(true);
    FStringAttr.Color = QColor(0, 0, 0x80);

    setCursor(Qt::IBeamCursor);
    // Nothing dragged can be dropped on the memo.
    setAcceptDrops(false);
    setAttribute(Qt::WA_InputMethodEnabled);
    setFocusPolicy(Qt::ClickFocus);
    setFont(QFont(QStringLiteral("Courier New"), 10));
    CMFontChanged();

    SetSyntaxType(stPascal);
    SetPos(1, 1);
    FOffset = {0, 0};
    BuildPopupMenu();
    resize(200, 200);
    if (AOwner)
        SwitchOn();
    BoundsChanged();
}

TSyntaxMemo::~TSyntaxMemo() = default;

void TSyntaxMemo::SwitchOn() {
    SetShowGutter(true);
    SetShowFooter(true);
    SetColor(palette().color(QPalette::Base));
    setFocusPolicy(Qt::StrongFocus);
}

void TSyntaxMemo::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange)
        CMFontChanged();
    else if (event->type() == QEvent::ParentChange && parentWidget())
        SwitchOn();
    QWidget::changeEvent(event);
}

// Properties

void TSyntaxMemo::SetAttrFont(TSynFont& field, const TSynFont& value) {
    field = value;
    UpdateSyntax();
}

void TSyntaxMemo::SetCommentAttr(const TSynFont& value) {
    SetAttrFont(FCommentAttr, value);
}
void TSyntaxMemo::SetKeywordAttr(const TSynFont& value) {
    SetAttrFont(FKeywordAttr, value);
}
void TSyntaxMemo::SetStringAttr(const TSynFont& value) {
    SetAttrFont(FStringAttr, value);
}
void TSyntaxMemo::SetTextAttr(const TSynFont& value) {
    SetAttrFont(FTextAttr, value);
}

void TSyntaxMemo::Set_ShiftSizeForShiftSelected(int value) {
    fShiftSizeForShiftSelected =
        std::clamp(value, ShiftSizeForShiftSelected_MIN, ShiftSizeForShiftSelected_MAX);
}

void TSyntaxMemo::Set_TabWidth(int value) {
    fTabWidth = std::clamp(value, 0, 8);
}

void TSyntaxMemo::SetShowGutter(bool value) {
    FShowGutter = value;
    FGutterWidth = value ? 20 : 0;
    update();
}

void TSyntaxMemo::SetShowFooter(bool value) {
    FShowFooter = value;
    FFooterHeight = value ? 20 : 0;
    update();
}

void TSyntaxMemo::SetColor(const QColor& value) {
    FColor = value;
    update();
}

void TSyntaxMemo::fCurLine_Set(int V) {
    fCurLine = V < 0 ? -1 : V;
    if (fCurLine > Lines().Count() - 1)
        fCurLine = -1;
    update();
}

void TSyntaxMemo::fCommentLine_Set(const QString& value) {
    fCommentLine = Trim(value);
    if (fCommentLine.isEmpty())
        fCommentLine = QStringLiteral("%");
}

// Lines and change notification

TSyntaxMemoLines& TSyntaxMemo::Lines() {
    bool changed = false;
    for (qsizetype i = 0; i < FText.Count(); ++i) {
        const QString& line = FText[i];
        if (!line.isEmpty() && line.back().unicode() <= 32) {
            PutLine(i, LineAt(i));
            changed = true;
        }
    }
    // Dropping blanks changes the store: an outside replacement when one is pending.
    if (changed)
        LinesChange();
    FAllowLinesChange = true;
    return FLines;
}

void TSyntaxMemo::SetText(const TStrings& value) {
    FAllowLinesChange = true;
    FLines.Assign(value);
}

void TSyntaxMemo::LinesChange() {
    if (!FAllowLinesChange)
        return;
    if (FText.IsEmpty()) {
        FText.Add(QString());
        FSyntaxWhole = true;
    }
    UpdateSyntax();
    FAllowLinesChange = false;
    FUndo.clear();
    SetPos(FPos.x(), FPos.y());
    ClearSel();
    ShowCaretPos();
    UpdateScrollBar();
}

void TSyntaxMemo::DoChange() {
    FModified = true;
    emit OnChange();
}

void TSyntaxMemo::UpdateView() {
    UpdateSyntax();
    update();
}

void TSyntaxMemo::ShowMessage(const QString& s) {
    FMessage = s;
    update();
}

// Caret placement

void TSyntaxMemo::SetPos(int x, int y) {
    if (!FMessage.isEmpty()) {
        FMessage.clear();
        update();
    }
    const int lineCount = int(std::min<qsizetype>(FText.Count(), INT_MAX));
    y = std::max(std::min(y, lineCount), 1);
    x = std::max(std::min(x, CaretLimit(y)), 1);
    FPos = {x, y};
    if (FWindowSize.x() == 0 || FWindowSize.y() == 0)
        return;
    if (FOffset.y() >= lineCount)
        FOffset.setY(lineCount - 1);
    // A text that fits in the view shows from its first line: the scroll bar is hidden then,
    // and a shorter text put in place of a long one would otherwise show a blank view.
    if (lineCount <= FWindowSize.y() && FOffset.y() != 0) {
        FOffset.setY(0);
        update();
    }

    // Columns and lines are followed each on its own: a jump to another line and a far
    // column (a search match) must show both.
    if (FOffset.x() + FWindowSize.x() < FPos.x()) {
        FOffset.rx() += FPos.x() - (FOffset.x() + FWindowSize.x());
        update();
    } else if (FPos.x() <= FOffset.x()) {
        FOffset.setX(FPos.x() - 1);
        update();
    }
    if (FOffset.y() + FWindowSize.y() < FPos.y()) {
        FOffset.ry() += FPos.y() - (FOffset.y() + FWindowSize.y());
        update();
    } else if (FPos.y() <= FOffset.y()) {
        FOffset.setY(FPos.y() - 1);
        update();
    }
    ShowCaretPos();
    UpdateScrollBar();
}

// A short line keeps the caret within FMaxLength columns; a longer one lets it reach the
// column after its last character.
int TSyntaxMemo::CaretLimit(int y) const {
    return int(std::clamp<qsizetype>(LineLength(y - 1) + 1, FMaxLength, INT_MAX / 2));
}

// Selection

void TSyntaxMemo::ClearSel() {
    if (FSelStart.x() != 0) {
        FSelStart = {0, 0};
        update();
    }
}

void TSyntaxMemo::AddSel() {
    if (FSelStart.x() == 0)
        FSelStart = FTempPos;
    FSelEnd = FPos;
    update();
}

void TSyntaxMemo::MySel_Z(QPoint Pstart, QPoint Pend) {
    FSelStart = Pstart;
    FSelEnd = Pend;
    update();
}

bool TSyntaxMemo::MySetSelect(int Line, int N, int Len) {
    if (Line < 0 || Lines().Count() < Line || N <= 0 || Len <= 0)
        return false;
    SetPos(N, Line + 1);
    FTempPos = FPos;
    SetPos(N + Len, Line + 1);
    AddSel();
    return true;
}

void TSyntaxMemo::MySelectAll() {
    SetPos(0, 0);
    FSelStart = FPos;
    const int last = int(FText.Count());
    SetPos(int(LineLength(last - 1)) + 1, last);
    FSelEnd = FPos;
    update();
}

QPoint TSyntaxMemo::OrderedEnd(bool later) const {
    const bool startFirst = SelectionKey(FSelStart) <= SelectionKey(FSelEnd);
    return startFirst == later ? FSelEnd : FSelStart;
}

bool TSyntaxMemo::IsBlock(int X, int Y) const {
    if (FSelStart.x() == 0)
        return false;
    const qint64 k = SelectionKey({X, Y});
    return SelectionKey(OrderedEnd(false)) <= k && k < SelectionKey(OrderedEnd(true));
}
