#pragma once
// The window's settings file, in one place for the window and for pas2html --settings: its
// sections and keys with their defaults, the fragment files beside it, and the rule that
// names a source's page from the settings.

#include "TStrings.h"

#include <QLatin1String>
#include <QString>
#include <QStringView>
#include <optional>

// Sections and keys of the settings file.
namespace SettingsKey {
inline constexpr QLatin1String HTML("HTML");
inline constexpr QLatin1String FILES("FILES");
inline constexpr QLatin1String HTML_Attr("HTML_Attr");
// The window's publishing choices; a conversion outside the window ignores them.
inline constexpr QLatin1String PUBLISH("PUBLISH");

inline constexpr QLatin1String Suffix_DFM("Suffix_DFM");
inline constexpr QLatin1String Suffix_PAS("Suffix_PAS");
inline constexpr QLatin1String YesQuery_before_Convert("YesQuery_before_Convert");
inline constexpr QLatin1String YesQuery_before_Open("YesQuery_before_Open");
inline constexpr QLatin1String Yes_Suffix_PAS("Yes_Suffix_PAS");
inline constexpr QLatin1String Yes_Suffix_DFM("Yes_Suffix_DFM");
inline constexpr QLatin1String HTML_ExtFile_Index("HTML_ExtFile_Index");
inline constexpr QLatin1String Yes_HTML_after_BODY("Yes_HTML_after_BODY");
inline constexpr QLatin1String Yes_HTML_before_BODY("Yes_HTML_before_BODY");

inline constexpr QLatin1String Dir("Dir");

inline constexpr QLatin1String Output("Output");
inline constexpr QLatin1String Index("Index");
inline constexpr QLatin1String LineNumbers("LineNumbers");
inline constexpr QLatin1String LinkUnits("LinkUnits");
inline constexpr QLatin1String CrossReferences("CrossReferences");
} // namespace SettingsKey

// The two body fragments, files beside the settings file.
inline constexpr QLatin1String BodyAfterFileName("Quorvel_Body_after.txt");
inline constexpr QLatin1String BodyBeforeFileName("Quorvel_Body_before.txt");

// How a source's page is named; the defaults are the fresh window's.
struct TPageNaming {
    bool Yes_Suffix_PAS = true;
    QString Suffix_PAS = QStringLiteral("_pas");
    bool Yes_Suffix_DFM = true;
    QString Suffix_DFM = QStringLiteral("_dfm");
    int HTML_ExtFile_Index = 0; // 0: ".htm", 1: ".html"
};

// Everything the settings file holds, as the window reads it at start-up; the defaults are
// the fresh window's.
struct TSettingsFile {
    TPageNaming Naming;
    bool YesQuery_before_Convert = false;
    bool YesQuery_before_Open = true;
    bool Yes_HTML_after_BODY = false;
    bool Yes_HTML_before_BODY = false;
    TStrings HTML_Attr;         // the section's "Name=Value" lines; empty when it has none
    std::optional<QString> Dir; // the remembered folder, trimmed, when one is stored
};

// Reads the whole settings file in one pass. A missing or unreadable file gives the
// defaults; `readable`, when given, is false for a file that exists but cannot be read.
TSettingsFile ReadSettingsFile(const QString& fnINI, bool* readable = nullptr);

// What a page is made with besides its source: the markup tag set, the two body fragments
// (each only when its switch is on) and the page-name choices.
struct TWindowSettings {
    TStrings Attr;
    std::optional<TStrings> BodyAfter;
    std::optional<TStrings> BodyEndBefore;
    TPageNaming Naming;

    const TStrings* AfterOrNull() const { return BodyAfter ? &*BodyAfter : nullptr; }
    const TStrings* EndBeforeOrNull() const { return BodyEndBefore ? &*BodyEndBefore : nullptr; }
};

// The settings a conversion outside the window takes from `fnINI`, as the window holds them
// right after start-up: the stored tag set (`defaultAttr` when the file has none) and the
// switched-on fragments from the files beside it. Raises Exception when the settings file or
// a switched-on fragment exists but cannot be read, or a switched-on suffix cannot be used
// (CheckPageNaming).
TWindowSettings ReadWindowSettings(const QString& fnINI, const TStrings& defaultAttr);

// Whether a file of this name is a source that gets a page: one of SourceTypeNames() in any
// letter case.
bool IsPascalSource(QStringView fileName);

// The page name of source `fn`; the type is the extension of `typeFileName` (the window
// passes its selected file, everyone else the source itself). ".PAS" and ".DFM" take their
// suffix when it is switched on, projects and packages none, the other source types "_" and
// their extension; empty for other files and blank names. Raises
// Exception naming the suffix when one that would be used holds a NUL or a "/", which would
// put the page into another folder or cut its name short.
QString PageFileName(const QString& fn, QStringView typeFileName, const TPageNaming& naming);

// Raises as PageFileName would, for each suffix that is switched on.
void CheckPageNaming(const TPageNaming& naming);
