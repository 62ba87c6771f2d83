#pragma once
// The lines of a source that uses stand in, as its references pages list them.

#include "Xref.h"

#include <QStringView>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// The lines of a source that uses stand in, read again from it when first needed: each kept
// as the end of the entries of the references pages that list it, all but the link's start
// ("12\">a/b.pas:12</a> <code>text</code></li>\n"), the rest of the text let go.
class TXrefRun::TUsedLines {
public:
    // The entries, read on the first call from the uses in a page, `shown` the source's path
    // as its pages show it; from several threads at once.
    const TUsedLines& Read(const TJob& job, TUnmarkedSource unmarked, const std::vector<TUse>& uses,
                           QStringView shown);
    // Lets go of the entries once the last page to list them is written.
    void Release() {
        FText.reset();
        FEnds = {};
    }
    // The end of the entry of line `line` (from 1) of a use read.
    std::string_view EntryOf(int line) const {
        const size_t start = FEnds[size_t(line) - 1];
        return {FText.get() + start, FEnds[size_t(line)] - start};
    }

private:
    class TLineCount;

    void Take(const std::vector<TUse>& uses);
    void ReadOnce(const TJob& job, TUnmarkedSource unmarked, const std::vector<TUse>& uses,
                  QStringView shown);
    char* Room(size_t size);
    char* OpenEntry(const TLineCount& line, size_t code);
    void CloseEntry(size_t line, char* end);
    bool ReadAscii(const QByteArray& bytes);
    void ReadDecoded(const QString& text);

    std::once_flag FRead;
    // The entries one after another, in room made for more.
    std::unique_ptr<char[]> FText;
    size_t FSize = 0, FCapacity = 0;
    // Of each line up to the last used, where its entry ends in FText: a line not used has an
    // empty one. Before the lines are read, whether the line is used.
    std::vector<size_t> FEnds;
    size_t FUsed = 0;   // lines
    std::string FShown; // while read: the entries' part from the line number to the next
};
