#include "WindowSettings.h"

#include "__files.h"
#include "__pas2html.h"
#include "__str.h"

#include <QFileInfo>

namespace {

// A fragment as the window's editor holds it after start-up: the file's lines, or nothing
// when the file is missing.
TStrings ReadFragment(const QString& fileName) {
    TStrings lines;
    if (QFileInfo(fileName).isFile())
        lines.LoadFromFile(fileName);
    return lines;
}

} // namespace

TWindowSettings DefaultWindowSettings() {
    TWindowSettings settings;
    htmlTextAttr_Def1(&settings.Tags);
    return settings;
}

TWindowSettings ReadWindowSettings(const QString& fnINI) {
    TWindowSettings settings;
    INI_ReadSectionValues(fnINI, "HTML_Attr", &settings.Tags);
    if (TStrings_DeleteEmptyLine(&settings.Tags) == 0)
        htmlTextAttr_Def1(&settings.Tags);

    TPageNaming& naming = settings.Naming;
    naming.SuffixDfm =
        GetFromINI_StringParamDef(fnINI, "HTML", "Suffix_DFM", naming.SuffixDfm, true);
    naming.SuffixPas =
        GetFromINI_StringParamDef(fnINI, "HTML", "Suffix_PAS", naming.SuffixPas, true);
    naming.YesSuffixPas = GetFromINI_BooleanParamDef(fnINI, "HTML", "Yes_Suffix_PAS", true);
    naming.YesSuffixDfm = GetFromINI_BooleanParamDef(fnINI, "HTML", "Yes_Suffix_DFM", true);
    naming.ExtensionIndex =
        std::clamp(GetFromINI_IntegerParamDef(fnINI, "HTML", "HTML_ExtFile_Index", 0), 0, 1);

    const QString folder = QFileInfo(fnINI).absolutePath() + '/';
    if (GetFromINI_BooleanParamDef(fnINI, "HTML", "Yes_HTML_after_BODY", false))
        settings.After = ReadFragment(folder + "Quorvel_Body_after.txt");
    if (GetFromINI_BooleanParamDef(fnINI, "HTML", "Yes_HTML_before_BODY", false))
        settings.Before = ReadFragment(folder + "Quorvel_Body_before.txt");
    return settings;
}
