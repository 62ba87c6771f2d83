// TSyntaxMemo: the text model. Line access, plain-text offsets, reading and replacing the
// selection, undo snapshots and the markers that follow edited lines.

#include "synmemo.h"

#include "Trim.h"

namespace {

// Where a plain-text offset falls: a line index and a 0-based index into that line followed
// by its line break. An offset past the text gives (number of lines, 0).
struct TTextPlace {
    qsizetype Line;
    qint64 Column;
};

TTextPlace LocateOffset(const QStringList& lines, qint64 offset) {
    qint64 start = 1;
    for (qsizetype line = 0; line < lines.size(); ++line) {
        const qint64 next = start + lines[line].size() + LineBreak.size();
        if (offset < next)
            return {line, std::max<qint64>(offset - start, 0)};
        start = next;
    }
    return {lines.size(), 0};
}

QString WithBreak(const QString& line) {
    return line + LineBreak.toString();
}

// Line breaks in `text` (CR LF, CR or LF) and the length of its part after the last one.
QPoint BreaksAndTail(QStringView text) {
    int breaks = 0;
    qsizetype tail = 0;
    for (qsizetype j = 0; j < text.size(); ++j) {
        const char16_t c = text[j].unicode();
        if (c != u'\r' && c != u'\n')
            continue;
        if (c == u'\r' && j + 1 < text.size() && text[j + 1] == u'\n')
            ++j;
        ++breaks;
        tail = j + 1;
    }
    return {int(text.size() - tail), breaks};
}

} // namespace

// Line access

QString TSyntaxMemo::LineAt(qsizetype Index) const {
    if (Index < 0 || Index >= FText.Count())
        return {};
    const QString& line = FText[Index];
    qsizetype n = line.size();
    while (n > 0 && line[n - 1].unicode() <= 32)
        --n;
    return n == line.size() ? line : line.first(n);
}

qsizetype TSyntaxMemo::LineLength(qsizetype Index) const {
    if (Index < 0 || Index >= FText.Count())
        return 0;
    const QString& line = FText[Index];
    qsizetype n = line.size();
    while (n > 0 && line[n - 1].unicode() <= 32)
        --n;
    return n;
}

int TSyntaxMemo::GetLineBegin(qsizetype Index) const {
    const QString line = LineAt(Index);
    for (qsizetype k = 0; k < line.size(); ++k)
        if (line[k] != u' ' && line[k] != u'\t')
            return int(k + 1);
    return 1;
}

QString TSyntaxMemo::Pad(int n, int asciiCode) const {
    if (std::max(asciiCode, 9) <= 9 && fTabWidth >= 1 && fTabWidth <= 8)
        return QString(fTabWidth, u' ');
    return n > 0 ? QString(n, u' ') : QString();
}

// Plain-text offsets

qint64 TSyntaxMemo::GetPlainTextPos(QPoint Pos) const {
    qint64 result = Pos.x();
    const qsizetype before = std::min<qsizetype>(Pos.y() - 1, FText.Count());
    for (qsizetype line = 0; line < before; ++line)
        result += FText[line].size() + LineBreak.size();
    return result;
}

QPoint TSyntaxMemo::GetPosPlainText(qint64 Offset) const {
    if (Offset < 1)
        return {0, 1};
    const TTextPlace place = LocateOffset(FText.Lines(), Offset);
    if (place.Line >= FText.Count())
        return {0, int(FText.Count()) + 1};
    const qint64 length = FText[place.Line].size();
    return {int(std::min(place.Column, length) + 1), int(place.Line) + 1};
}

// Changes of the stored lines

void TSyntaxMemo::ApplyLines(qsizetype from, qsizetype removed, const QStringList& with) {
    FSyntaxChange.Merge(from, removed, with.size());
    QStringList& lines = FText.Lines();
    // Lines replaced one for one stay in place; only a change in their number moves the
    // lines after them.
    const qsizetype same = std::min(removed, with.size());
    std::copy(with.begin(), with.begin() + same, lines.begin() + from);
    if (removed > same)
        lines.remove(from + same, removed - same);
    else if (with.size() > same) {
        lines.insert(from + same, with.size() - same, QString());
        std::copy(with.begin() + same, with.end(), lines.begin() + from + same);
    }
}

void TSyntaxMemo::ReplaceLines(qsizetype from, qsizetype removed, const QStringList& with) {
    if (!FUndo.isEmpty())
        FUndo.last().Record(FText.Lines(), from, removed, with.size());
    ApplyLines(from, removed, with);
}

void TSyntaxMemo::PutLine(qsizetype i, const QString& line) {
    ReplaceLines(i, 1, QStringList{line});
}

void TSyntaxMemo::TextReplacedOutside() {
    FSyntaxWhole = true;
    // A replacement that is not taken as an outside one keeps the undo steps, but they
    // can no longer say where their lines stand.
    if (!FAllowLinesChange)
        FUndo.clear();
}

QPoint TSyntaxMemo::ReplaceRange(QPoint p1, QPoint p2, const QString& value) {
    const qsizetype first = p1.y() - 1;
    const qsizetype startColumn = std::clamp<qsizetype>(p1.x() - 1, 0, FText[first].size());
    qsizetype last = p2.y() - 1;
    qsizetype endColumn = std::clamp<qsizetype>(p2.x(), 0, FText[last].size());
    if (last < first || (last == first && endColumn < startColumn)) {
        last = first;
        endColumn = startColumn;
    }
    const QString head = FText[first].first(startColumn) + value;
    QString joined = head;
    joined += QStringView(FText[last]).sliced(endColumn);
    const bool breaks = joined.contains(u'\r') || joined.contains(u'\n');
    // A break at the very end leaves an empty line after it.
    const QStringList pieces =
        breaks ? TStrings::SplitLines(joined + LineBreak.toString()) : QStringList{joined};
    ReplaceLines(first, last - first + 1, pieces);
    const QPoint after = BreaksAndTail(head);
    return {after.x() + 1, int(first) + after.y() + 1};
}

// The selection as text

QString TSyntaxMemo::GetSelText() const {
    QPoint p1 = OrderedEnd(false);
    QPoint p2 = OrderedEnd(true);
    p2.rx() -= 1;
    if (LineLength(p1.y() - 1) < p1.x())
        p1 = {1, p1.y() + 1};
    if (LineLength(p2.y() - 1) < p2.x())
        p2.setX(int(LineLength(p2.y() - 1)));
    const qint64 i = std::max<qint64>(GetPlainTextPos(p1), 1);
    const qint64 end = GetPlainTextPos(p2); // inclusive
    if (end < i)
        return {};

    const QStringList& lines = FText.Lines();
    TTextPlace place = LocateOffset(lines, i);
    qint64 wanted = end - i + 1;
    QString result;
    while (wanted > 0 && place.Line < lines.size()) {
        const QString piece = WithBreak(lines[place.Line]).sliced(place.Column);
        const qint64 take = std::min<qint64>(wanted, piece.size());
        result += QStringView(piece).first(take);
        wanted -= take;
        place = {place.Line + 1, 0};
    }
    return result;
}

void TSyntaxMemo::SetSelText(const QString& Value) {
    if (FReadOnly)
        return;
    AddUndo();
    QPoint p1, p2;
    if (FSelStart.x() == 0) {
        p1 = FPos;
        p2 = {FPos.x() - 1, FPos.y()};
    } else {
        p1 = OrderedEnd(false);
        p2 = OrderedEnd(true);
        p2.rx() -= 1;
    }
    // Selection ends set from outside may name lines that do not exist.
    const int lineCount = int(FText.Count());
    p1 = {std::max(p1.x(), 1), std::clamp(p1.y(), 1, lineCount)};
    p2.setY(std::clamp(p2.y(), 1, lineCount));

    const qsizetype length1 = LineLength(p1.y() - 1);
    if (length1 < p1.x())
        PutLine(p1.y() - 1, FText[p1.y() - 1] + Pad(int(p1.x() - length1 + 1), 32));
    if (LineLength(p2.y() - 1) < p2.x())
        p2.setX(int(LineLength(p2.y() - 1)));

    const QPoint p3 = ReplaceRange(p1, p2, Value);
    LinesChange();

    CorrectBookmark(FPos.y(), p3.y() - FPos.y());
    CorrectCurLine(FPos.y(), p3.y() - FPos.y());
    SetPos(p3.x(), p3.y());
    FSelStart.setX(0);
    DoChange();
    UpdateSyntax();
}

// Undo

// A step starts empty and takes in every change made until the next one starts, so the
// changes a command makes after its step (Enter's split) belong to the step before.
void TSyntaxMemo::AddUndo() {
    FUndo.append({FPos, {}, {}});
    if (FUndo.size() > UndoLimit)
        FUndo.removeFirst();
}

void TSyntaxMemo::Undo() {
    if (FUndo.isEmpty())
        return;
    // Taken off the list first, and the replacement is the memo's own: a pending read of
    // Lines must not turn it into an outside replacement that empties the list.
    const TUndoStep step = FUndo.takeLast();
    FAllowLinesChange = false;
    if (step.Change.First >= 0)
        ApplyLines(step.Change.First, step.Change.New, step.OldLines);
    if (FText.IsEmpty())
        ApplyLines(0, 0, {QString()});
    SetPos(step.Pos.x(), step.Pos.y());
    UpdateSyntax();
    DoChange();
}

// Bookmarks and the current-line marker

int TSyntaxMemo::IsBookmark(int Line) const {
    if (Line < 0)
        return -1;
    for (int n = 0; n < BookmarkCount; ++n)
        if (Bookmarks[n] == Line)
            return n;
    return -1;
}

void TSyntaxMemo::AddBookmark(int Line, int Number) {
    if (Number < 0 || Number >= BookmarkCount)
        return;
    Bookmarks[Number] = Line;
    update();
    emit OnBookmarkAdd(Number, Line);
}

void TSyntaxMemo::DeleteBookmark(int Number) {
    if (Number < 0 || Number >= BookmarkCount)
        return;
    Bookmarks[Number] = -1;
    update();
    emit OnBookmarkDelete(Number);
}

void TSyntaxMemo::GotoBookmark(int Number) {
    if (Number < 0 || Number >= BookmarkCount || Bookmarks[Number] < 0)
        return;
    SetPos(0, Bookmarks[Number] + 1);
    emit OnBookmarkGoto(Number);
}

// Ctrl+Shift+digit: sets the bookmark on the caret line when the line has none, removes it
// when it is the line's lowest number, leaves a line marked with another number alone.
void TSyntaxMemo::ToggleBookmark(int Number) {
    const int line = FPos.y() - 1;
    const int present = IsBookmark(line);
    if (present < 0)
        AddBookmark(line, Number);
    else if (present == Number)
        DeleteBookmark(Number);
}

int TSyntaxMemo::Get_NumLine_From_Bookmark(int NumBookmark) const {
    return NumBookmark >= 0 && NumBookmark < BookmarkCount ? Bookmarks[NumBookmark] : -1;
}

void TSyntaxMemo::CorrectBookmark(int Line, int delta) {
    for (int& line : Bookmarks)
        if (line >= 0 && line >= Line)
            line += delta;
}

void TSyntaxMemo::CorrectCurLine(int Line, int delta) {
    if (fCurLine >= 0 && fCurLine >= Line)
        fCurLine += delta;
}

void TSyntaxMemo::SetActiveLine(int Line) {
    FActiveLine = Line;
    update();
}
