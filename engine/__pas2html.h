#pragma once
// The conversion engine: Pascal source text in, HTML page out. Knows nothing of windows.

#include "Markup.h"
#include "TStrings.h"

#include <QIODevice>
#include <QString>
#include <QStringView>
#include <bitset>
#include <functional>

struct TPageFrame;
struct TPageRecipe;
struct TPageReport;
class TPageTarget;

class TDelphiToHTML {
public:
    TDelphiToHTML(); // Create

    // Appends the reserved words to ReservList; called once by the constructor.
    void LoadReservList();
    // The run of S from 1-based position nByte up to the first delimiter at or after it.
    QString GetWord(int nByte, const QString& S) const;
    bool IsReservWord(QStringView S) const;
    static bool IsValue(QStringView S);
    // Deletes OldText's length of characters at 1-based CharNum, then inserts NewText there.
    static void ReplaceText(int CharNum, const QString& OldText, const QString& NewText,
                            QString& Text);

    // The whole page for pasText; empty when the text has no lines.
    QString Convert2(const QString& pasText, const QString& sTitle, const QString& sTextBodyAfter,
                     const QString& sTextBodyEndBefore);
    // The page with a fixed title, or only the preformatted block when GenHTMLPage is false.
    QString Convert(const QString& DelphiText, bool GenHTMLPage);

    // Reads the ten markup values from a tag set text; a missing or blank value keeps the
    // current one. An absent list changes nothing.
    void LoadTagSet(const TStrings* ListAttr);
    // The ten markup values as they stand now, for one conversion.
    TMarkupSet MarkupSet() const;

    TStrings ReservList;
    TStrings DelphiList;
    TStrings HTMLList;
    std::bitset<256> DelimSet;
    QString Bcom, Ecom;
    QString Bres, Eres;
    QString Bnum, Enum;
    QString Bstr, Estr;
    QString Bdir, Edir;

    bool IsDelimiter(char16_t c) const { return c < 256 && DelimSet.test(c); }

private:
    QString ConvertInFrame(QStringView text, const TPageFrame& frame);
};

// Clears ListAttr and fills it with the ten default tag lines; false when it is absent.
bool htmlTextAttr_Def1(TStrings* ListAttr);

// String form: the page text, or empty when pasText is blank.
QString pas2html(const QString& pasText, const QString& sTitle, const TStrings* ListAttr,
                 const TStrings* ListTextBodyAfter, const TStrings* ListTextBodyEndBefore);

// List form: the page into pasHTML, or back into pasText when pasHTML is absent; returns
// the number of lines the target now holds.
int pas2html(TStrings* pasText, TStrings* pasHTML, const QString& sTitle, const TStrings* ListAttr,
             const TStrings* ListTextBodyAfter, const TStrings* ListTextBodyEndBefore);

// File form: converts the file fnPAS into fnHTML in the source's encoding; true when the
// page was written. A missing source, a blank source, or an existing fnHTML without
// YesRewrite gives false and leaves fnHTML alone. A file that cannot be read or written
// raises Exception naming it; the old fnHTML then stays intact.
bool FilePas_2_FileHtml(const QString& fnPAS, const QString& fnHTML, const QString& sTitle,
                        const TStrings* ListAttr, const TStrings* ListTextBodyAfter,
                        const TStrings* ListTextBodyEndBefore, bool YesRewrite,
                        QString* formProblem = nullptr);

// File form into a target the caller chose, the source's name taken as it stands: true when
// the page was written, false for a blank source. Raises Exception naming the file that
// cannot be read or written, or the target when it is refused.
bool FilePas_2_Target(const QString& source, TPageTarget& target, const TPageRecipe& recipe,
                      TPageReport* report = nullptr);

// Converts the source read from `in` to its end into its page, in the source's encoding
// (byte-order mark included) exactly as the file form writes it, while reading: memory
// follows the longest line. `openTarget` gives the device for the page; it is called once,
// when the first non-blank line comes, and never for a blank source, which gives false.
// Raises Exception naming `inName` when reading fails and `outName` when writing fails.
// Every entry point converts a form saved in binary as its text form; when the form is
// damaged, `report` receives why (the page is still written), and always the line count.
bool ConvertSourceStream(QIODevice& in, const QString& inName, const TPageRecipe& recipe,
                         const std::function<QIODevice&()>& openTarget, const QString& outName,
                         TPageReport* report = nullptr);

// The recipe of the described entry points: a tag set and fragments, each possibly absent.
TPageRecipe RecipeOf(const QString& sTitle, const TStrings* ListAttr,
                     const TStrings* ListTextBodyAfter, const TStrings* ListTextBodyEndBefore);

// A page title made from a file name: the name without its folder, with "<", ">" and "&"
// escaped, since file names here may hold them.
QString TitleFromFileName(const QString& fileName);
