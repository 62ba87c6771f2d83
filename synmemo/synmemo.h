#pragma once
// Unit synmemo: TSyntaxMemo, a self-painted text control that shows and edits text in a grid
// of equal character cells, coloured for one of ten syntax types, with a gutter for markers
// and bookmarks, a footer with the caret position and a vertical scroll bar.
//
// Positions are 1-based (column X, line Y); bookmark and marker lines are 0-based. The caret
// may stand beyond the end of its line; editing there pads the line with spaces first.

#include "SynAttrMap.h"
#include "SynMemoChange.h"
#include "SynMemoLines.h"
#include "SynMemoTypes.h"
#include "TStrings.h"

#include <QBasicTimer>
#include <QColor>
#include <QList>
#include <QPoint>
#include <QPointer>
#include <QRawFont>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>

class QMenu;
class QPainter;
class QScrollBar;

// The line separator of every plain-text offset.
inline constexpr QStringView LineBreak = u"\r\n";

// Word characters for word moves and double-click selection; every character above code 126
// counts as one too.
inline constexpr QStringView WordChars =
    u"$0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz_";
inline bool IsUnicodeChar(QChar c) {
    return c.unicode() > 126;
}
inline bool IsWordChar(QChar c) {
    return IsUnicodeChar(c) || WordChars.contains(c);
}

class TSyntaxMemo : public QWidget {
    Q_OBJECT
    friend class TSyntaxMemoLines;

public:
    static constexpr int ShiftSizeForShiftSelected_MIN = 1;
    static constexpr int ShiftSizeForShiftSelected_MAX = 10;
    static constexpr int UndoLimit = 32;
    static constexpr int BookmarkCount = 10;

    explicit TSyntaxMemo(QWidget* AOwner = nullptr);
    ~TSyntaxMemo() override;

    // Published properties.
    QColor BlockColor() const { return FBlockColor; }
    void SetBlockColor(const QColor& value) { FBlockColor = value; }
    QColor BlockFontColor() const { return FBlockFontColor; }
    void SetBlockFontColor(const QColor& value) { FBlockFontColor = value; }
    const TSynFont& CommentAttr() const { return FCommentAttr; }
    const TSynFont& KeywordAttr() const { return FKeywordAttr; }
    const TSynFont& StringAttr() const { return FStringAttr; }
    const TSynFont& TextAttr() const { return FTextAttr; }
    void SetCommentAttr(const TSynFont& value);
    void SetKeywordAttr(const TSynFont& value);
    void SetStringAttr(const TSynFont& value);
    void SetTextAttr(const TSynFont& value);
    int ShiftSizeForShiftSelected() const { return fShiftSizeForShiftSelected; }
    void Set_ShiftSizeForShiftSelected(int value);
    int TabWidth() const { return fTabWidth; }
    void Set_TabWidth(int value);
    bool KeyWords_LoadFromFile() const { return fKeyWords_LoadFromFile; }
    void Set_KeyWords_LoadFromFile(bool value);
    QString Dir_KeyWords() const { return fDir_KeyWords; }
    void SetDir_KeyWords(const QString& value) { fDir_KeyWords = value; }
    // Reading drops the trailing blanks of every line and lets the next change made through
    // the result count as an outside replacement of the text.
    TSyntaxMemoLines& Lines();
    void SetText(const TStrings& value);
    // The stored lines as they are, trailing blanks included; reading them changes nothing.
    const QStringList& StoredLines() const { return FText.Lines(); }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    TSyntaxType SyntaxType() const { return FSyntaxType; }
    void SetSyntaxType(TSyntaxType value);
    bool ShowFooter() const { return FShowFooter; }
    void SetShowFooter(bool value);
    bool ShowGutter() const { return FShowGutter; }
    void SetShowGutter(bool value);
    // The background of the areas the text rows leave; the window colour once parented.
    QColor Color() const { return FColor; }
    void SetColor(const QColor& value);

    // Public properties.
    QPoint SelStart() const { return FSelStart; }
    QPoint SelEnd() const { return FSelEnd; }
    QString GetSelText() const;
    void SetSelText(const QString& Value);
    int CurLine() const { return fCurLine; }
    void fCurLine_Set(int V);
    QString CommentLine() const { return fCommentLine; }
    void fCommentLine_Set(const QString& value);
    bool Modified() const { return FModified; }
    void SetModified(bool value) { FModified = value; }
    int KWheel = 1;
    QString LastSearch;
    // A menu set here is shown on a right click instead of the memo's own.
    QMenu* PopupMenu() const;
    void SetPopupMenu(QMenu* menu);

    // Line access: lines read without trailing blanks, out-of-range indexes as empty lines.
    QString LineAt(qsizetype Index) const;
    qsizetype LineLength(qsizetype Index) const;
    int GetLineBegin(qsizetype Index) const;
    QString Pad(int n, int asciiCode) const;

    // Offsets into the whole text, every line followed by LineBreak, 1-based.
    qint64 GetPlainTextPos(QPoint Pos) const;
    QPoint GetPosPlainText(qint64 Offset) const;

    // Caret placement: clamps, scrolls the caret into view and shows it.
    void SetPos(int x, int y);
    QPoint GetPos() const { return FPos; }

    // Selection.
    void ClearSel();
    void ClearSel_Z() { ClearSel(); }
    void AddSel();
    void AddSel_Z() { AddSel(); }
    void MySel_Z(QPoint Pstart, QPoint Pend);
    bool MySetSelect(int Line, int N, int Len);
    void MySelectAll();

    // Undo: at most UndoLimit steps, each restoring the text and the caret as they were when
    // it was recorded.
    void AddUndo();
    void Undo();
    qsizetype UndoCount() const { return FUndo.size(); }

    // Clipboard: the platform clipboard's text.
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();

    // Search from just after the caret to the end of the text, ASCII letters in any case.
    // MyFind asks for the text in the search dialog; Find places the caret at the match or
    // shows the failure in the message bar.
    bool MyFind(const QString& sFind);
    bool Find(const QString& Text);

    // The Name=Value lines "EnvVar select" offers; returns their number.
    int ListEnvVars_Assign(const TStrings* List);
    const TStrings& ListEnvVars() const { return fListEnvVars; }

    void UpdateView();
    void UpdateSyntax();
    void ShowMessage(const QString& s);
    QString Message() const { return FMessage; }

    // Keywords of the current syntax type: from its keyword list file when switched on and
    // the file exists, else the built-in list. Raises Exception when the file cannot be read.
    bool KeyWords_Load();
    QString Keywords() const { return FKeywords; }

    // Attribute lookup for a cell.
    quint8 CharAttr(int X, int Y) const;
    bool IsBlock(int X, int Y) const;
    TCharAttributes GetCharAttr(QPoint Pos) const;
    const TSynAttrMap& SynStrings() const { return FSynStrings; }

    // Gutter markers and bookmarks.
    void SetActiveLine(int Line);
    int GetActiveLine() const { return FActiveLine; }
    int IsBookmark(int Line) const;
    void AddBookmark(int Line, int Number);
    void DeleteBookmark(int Number);
    void GotoBookmark(int Number);
    int Get_NumLine_From_Bookmark(int NumBookmark) const;
    void CorrectBookmark(int Line, int delta);
    void CorrectCurLine(int Line, int delta);

    // Geometry as painting uses it, in client pixels (inside the sunken border).
    int CharWidth() const { return FCharWidth; }
    int CharHeight() const { return FCharHeight; }
    int GutterWidth() const { return FGutterWidth; }
    int FooterHeight() const { return FFooterHeight; }
    // Whether the font is a Courier New; drawing puts every character in its cell either way.
    bool IsMonoType() const { return FIsMonoType; }
    QPoint WindowSize() const { return FWindowSize; }
    QPoint Offset() const { return FOffset; }
    QPoint ClientOrigin() const { return {ClientEdge, ClientEdge}; }
    QScrollBar* VScroll() const { return FVScroll; }
    bool CaretShown() const { return FCaretCreated && FCaretVisible; }

public slots:
    // The context menu's commands.
    void CutPopup();
    void CopyPopup();
    void PastePopup();
    void CommentSetPopup();
    void CommentResetPopup();
    void EnvVarSelPopup();

signals:
    // After every change of the text by an editing command.
    void OnChange();
    void OnBookmarkAdd(int Number, int Line);
    void OnBookmarkDelete(int Number);
    void OnBookmarkGoto(int Number);
    // Whenever the caret is shown at a new place.
    void OnChangePOS(int Row, int Col);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Text composed by an input method (dead keys, compose sequences) is typed like keys.
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // The memo keeps Tab and Shift+Tab for its own commands.
    bool focusNextPrevChild(bool next) override;

private:
    int fShiftSizeForShiftSelected = 1;
    int fTabWidth = 0;
    bool FAllowLinesChange = false;
    int FMaxLength = 1024;
    bool FModified = false;
    QPoint FOffset{0, 0};
    QPoint FPos{1, 1};
    bool FReadOnly = false;
    QPoint FSelEnd{0, 0};
    QPoint FSelStart{0, 0};
    QPoint FTempPos{0, 0};
    TStrings FText;
    std::array<int, BookmarkCount> Bookmarks;
    int FActiveLine = -1;
    int fCurLine = -1;
    QString fCommentLine = QStringLiteral("%");

    bool FDown = false;
    bool FDoubleClicked = false;
    TStrings fListEnvVars;
    QMenu* FPopupMenu = nullptr;
    QPointer<QMenu> FUserPopupMenu;

    void DoChange();
    void LinesChange();
    void ShowCaretPos();
    void UpdateScrollBar();
    // Every change of the stored lines goes through these, so that the undo step and the
    // attribute map learn which lines changed. ApplyLines leaves the undo steps alone.
    void ReplaceLines(qsizetype from, qsizetype removed, const QStringList& with);
    void PutLine(qsizetype i, const QString& line);
    void ApplyLines(qsizetype from, qsizetype removed, const QStringList& with);
    // The lines were replaced through Lines: the whole map is scanned again, and undo steps
    // that can no longer be placed are dropped.
    void TextReplacedOutside();
    // Replaces the text from p1 to p2 (inclusive; p2 before p1 for none) by `value`;
    // returns the position just after the inserted text.
    QPoint ReplaceRange(QPoint p1, QPoint p2, const QString& value);

    static constexpr int ClientEdge = 2;
    // What the canvas holds between runs while painting.
    struct TCanvas {
        QPainter& Painter;
        TSynFont Font;
        QColor Brush;
        int PenX = 0;
    };

    // Keys: KeyDown takes the command keys and tells whether the key is consumed; KeyPress
    // takes the characters, control characters included, and tells whether it used one.
    bool KeyDown(const QKeyEvent& event);
    bool KeyPress(const QKeyEvent& event);
    bool IsMemoShortcut(const QKeyEvent& event) const;
    bool DoChar(QString text);
    // The caret's cell in widget coordinates, two pixels wide.
    QRect CaretRect() const;

    // Caret movement.
    void DoLeft();
    void DoRight();
    void DoUp();
    void DoDown();
    void DoHome(bool ctrl);
    void DoEnd(bool ctrl);
    void DoPgUp();
    void DoPgDn();
    void DoCtrlL();
    void DoCtrlR();

    // Line editing.
    void DoReturn();
    void EnterIndent();
    bool StartDeletion();
    void DoDel();
    void DoBackspace();
    void UnIndent();
    void DoTab();
    void TabIndent();
    void ShiftSelected(bool ShiftRight, bool YesTab);
    void DoCtrlI();
    void DoCtrlU();
    void DoCtrlY();
    void ClearMessage();

    void ToggleBookmark(int Number);
    bool FMemoFind(const QString& Text, QPoint& Position) const;

    // Mouse and context menu.
    QPoint MousePos(QPointF point) const;
    void MouseDown(const QMouseEvent& event);
    void DblClick();
    void BuildPopupMenu();
    void ShowPopupMenu(QPoint globalPos);
    void CommentLines(bool set);

    void SwitchOn();
    void BoundsChanged();
    void CMFontChanged();
    void ScrollClick(int position);
    void ResetCaretBlink();
    void SetAttrFont(TSynFont& field, const TSynFont& value);
    QPoint OrderedEnd(bool later) const;
    // Orders points by line, then column, for columns of any size.
    static qint64 SelectionKey(QPoint p) { return (qint64(p.y()) << 32) + p.x(); }
    int CaretLimit(int y) const;
    int ClientWidth() const;
    int ClientHeight() const;

    void PaintRow(TCanvas& canvas, int i);
    void SetAttr(TCanvas& canvas, TCharAttributes a) const;
    void MyTextOut(TCanvas& canvas, int y, QStringView s) const;
    // The glyphs of a drawing font, looked up once per font.
    const QRawFont& RawFont(const QFont& font) const;
    void ShowPos(QPainter& p) const;
    void PaintMessage(QPainter& p) const;
    void CurLineDraw(QPainter& p, int i) const;
    void BookmarkDraw(QPainter& p, int i) const;
    void ActiveLineDraw(QPainter& p, int i) const;

    bool fKeyWords_LoadFromFile = false;
    QString fDir_KeyWords;
    int FCharHeight = 0;
    int FCharWidth = 0;
    int FGutterWidth = 0;
    int FFooterHeight = 0;
    bool FIsMonoType = false;
    QString FKeywords;
    QString FMessage;
    TSynAttrMap FSynStrings;
    TSyntaxType FSyntaxType = stPascal;
    TSynFont FKeywordAttr, FStringAttr, FTextAttr, FCommentAttr;
    QColor FBlockColor;
    QColor FBlockFontColor;
    QColor FColor;
    QList<TUndoStep> FUndo;
    mutable QList<QPair<QFont, QRawFont>> FRawFonts;
    // The lines changed since the attribute map was last brought in line.
    TLineChange FSyntaxChange;
    bool FSyntaxWhole = true;
    bool FUpdating = false;
    bool FUpdatingSyntax = false;
    QScrollBar* FVScroll = nullptr;
    QPoint FWindowSize{0, 0};
    bool FShowGutter = false;
    bool FShowFooter = false;
    TSyntaxMemoLines FLines{*this};

    QBasicTimer FCaretTimer;
    bool FCaretCreated = false;
    bool FCaretVisible = false;
    int FWheelRest = 0;
};
