// The used lines of a source read again for its references pages: from its bytes, as they are,
// when the lines used are ASCII, which nearly all are; decoded otherwise.

#include "XrefUsedLines.h"

#include "FindFirst.h"
#include "SiteHtml.h"
#include "TextCodec.h"
#include "XrefLexer.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

bool IsAsciiSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// `text` without the ASCII white space at its ends. The indentation, spaces and tabs nearly
// always, is passed sixteen bytes at a time where the machine compares them at once.
std::string_view TrimmedAscii(std::string_view text) {
#ifdef __SSE2__
    while (text.size() >= 16) {
        const unsigned blanks = BytesAmong<' ', '\t'>(text.data());
        text.remove_prefix(size_t(std::countr_one(blanks)));
        if (blanks != 0xFFFF)
            break;
    }
#endif
    while (!text.empty() && IsAsciiSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsAsciiSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// Whole lines of real code; a line of megabytes would otherwise be copied into every use.
constexpr qsizetype kUseLineLength = 2000;

constexpr std::string_view kOpenCode = "</a> <code>", kClose = "</code></li>\n";

} // namespace

// The lines from 1 on, each number in decimal too: counted up as the lines are walked
// rather than converted for each entry.
class TXrefRun::TUsedLines::TLineCount {
public:
    size_t Line() const { return FLine; }
    // Sixteen bytes, to be copied whole, of which the first DigitCount() are the number.
    const char* Digits() const { return FDigits; }
    size_t DigitCount() const { return FCount; }
    void Next() {
        ++FLine;
        size_t i = FCount;
        while (i > 0 && FDigits[i - 1] == '9')
            FDigits[--i] = '0';
        if (i > 0) {
            ++FDigits[i - 1];
            return;
        }
        std::memmove(FDigits + 1, FDigits, FCount++);
        FDigits[0] = '1';
    }

private:
    size_t FLine = 1;
    char FDigits[16] = {'1'};
    size_t FCount = 1;
};

const TXrefRun::TUsedLines& TXrefRun::TUsedLines::Read(const TJob& job, TUnmarkedSource unmarked,
                                                       const std::vector<TUse>& uses,
                                                       QStringView shown) {
    std::call_once(FRead, [&] {
        // From nothing, should a call that ran out of memory have left some behind.
        FSize = 0;
        Take(uses);
        ReadOnce(job, unmarked, uses, shown);
    });
    return *this;
}

// Marks the lines used, up to the last one: its end is set to 1, any other's to 0.
void TXrefRun::TUsedLines::Take(const std::vector<TUse>& uses) {
    int last = 0;
    for (const TUse& use : uses)
        last = std::max(last, use.Line);
    FEnds.assign(size_t(last) + 1, 0);
    FUsed = 0;
    for (const TUse& use : uses)
        if (use.Line >= 1) {
            FUsed += !FEnds[size_t(use.Line)];
            FEnds[size_t(use.Line)] = 1;
        }
}

void TXrefRun::TUsedLines::ReadOnce(const TJob& job, TUnmarkedSource unmarked,
                                    const std::vector<TUse>& uses, QStringView shown) {
    FShown = "\">";
    AppendEscapedUtf8(FShown, shown);
    FShown += ':';
    const std::optional<QByteArray> bytes = ReadRunSourceBytes(job);
    // Room for the whole text and each entry's numbers and markup, made once: what is
    // not used of it is never touched, and little more is asked for, so that the room
    // may be made of memory let go before.
    if (bytes)
        Room(size_t(bytes->size()) + FUsed * (FShown.size() + 64));
    if (!bytes || !ReadAscii(*bytes)) {
        FSize = 0;
        Take(uses);
        ReadDecoded(bytes ? DecodeSource(*bytes, unmarked) : QString());
    }
    FShown = {};
}

// Room for `size` bytes after the entries made: twice as much as there is made when short.
inline char* TXrefRun::TUsedLines::Room(size_t size) {
    if (FCapacity - FSize < size) {
        const size_t capacity = std::max(2 * FCapacity, FSize + size);
        auto text = std::make_unique_for_overwrite<char[]>(capacity);
        std::copy_n(FText.get(), FSize, text.get());
        FText = std::move(text);
        FCapacity = capacity;
    }
    return FText.get() + FSize;
}

// Starts the entry of line `line` with room for `code` bytes of its text: returns where
// they go. Each number is copied whole into the room: nearly every line with a name has
// an entry.
inline char* TXrefRun::TUsedLines::OpenEntry(const TLineCount& line, size_t code) {
    const size_t digits = line.DigitCount();
    char* to = Room(32 + FShown.size() + kOpenCode.size() + code + kClose.size());
    std::memcpy(to, line.Digits(), 16);
    to = std::copy(FShown.begin(), FShown.end(), to + digits);
    std::memcpy(to, line.Digits(), 16);
    return std::copy(kOpenCode.begin(), kOpenCode.end(), to + digits);
}

// Ends the entry of line `line`, whose text ends at `end`.
inline void TXrefRun::TUsedLines::CloseEntry(size_t line, char* end) {
    FSize = size_t(std::copy(kClose.begin(), kClose.end(), end) - FText.get());
    FEnds[line] = FSize;
}

// The lines taken from the bytes themselves, when every one of them is ASCII: in any
// encoding but UTF-16 a line break is the same byte, and an ASCII character stands for
// itself, even in malformed UTF-8. False when the text must be decoded.
bool TXrefRun::TUsedLines::ReadAscii(const QByteArray& bytes) {
    qsizetype bom = 0;
    const TTextEncoding encoding = DetectEncoding(bytes, &bom);
    if (encoding == TTextEncoding::Utf16LE || encoding == TTextEncoding::Utf16BE)
        return false;
    const std::string_view text =
        std::string_view(bytes.constData(), size_t(bytes.size())).substr(size_t(bom));
    // A line ends at its CR or LF, and the next starts after it, or after both of CR LF.
    size_t start = 0;
    for (TLineCount count; count.Line() < FEnds.size(); count.Next()) {
        const size_t line = count.Line();
        const size_t end =
            start < text.size() ? NextLineBreak(text.data(), start, text.size()) : start;
        if (FEnds[line]) {
            std::string_view shown;
            if (start < text.size())
                shown = TrimmedAscii(text.substr(start, end - start));
            // Escaped, a character takes six bytes at most; copied, sixteen are written.
            const std::string_view cut = shown.substr(0, size_t(kUseLineLength));
            char* code = OpenEntry(count, 6 * cut.size() + 16);
            if (CopyIfPlainAscii(code, cut) &&
                (cut.size() == shown.size() || IsAscii(shown.substr(cut.size()))))
                CloseEntry(line, code + cut.size());
            else if (IsAscii(shown))
                CloseEntry(line, EscapeAscii(code, cut));
            else
                return false;
        } else {
            FEnds[line] = FSize;
        }
        start =
            end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n' ? end + 2 : end + 1;
    }
    return true;
}

void TXrefRun::TUsedLines::ReadDecoded(const QString& text) {
    const std::vector<QStringView> lines = SplitSourceLines(text);
    std::string code;
    for (TLineCount count; count.Line() < FEnds.size(); count.Next()) {
        const size_t line = count.Line();
        if (FEnds[line]) {
            code.clear();
            if (line <= lines.size())
                AppendEscapedUtf8(code, lines[line - 1].trimmed().left(kUseLineLength));
            CloseEntry(line, std::copy(code.begin(), code.end(), OpenEntry(count, code.size())));
        } else {
            FEnds[line] = FSize;
        }
    }
}
