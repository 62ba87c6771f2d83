#include "WindowSettings.h"

#include "Exception.h"
#include "HtmlName.h"
#include "SourceTypes.h"
#include "__files.h"

#include <QFileInfo>
#include <algorithm>

namespace {

// A fragment as the window's editor holds it after start-up: the file's lines, or nothing
// when the file is missing.
TStrings ReadFragment(const QString& fileName) {
    TStrings lines;
    if (QFileInfo(fileName).isFile())
        lines.LoadFromFile(fileName);
    return lines;
}

// A suffix used in a page name must keep the page beside its source and the name whole.
void CheckSuffix(const QString& suffix, QLatin1String key) {
    if (!suffix.contains(u'/') && !suffix.contains(QChar(0)))
        return;
    QString shown = suffix;
    shown.replace(QChar(0), QStringLiteral("\\0"));
    throw Exception(
        QStringLiteral("Ошибка! Суффикс \"%1\" (%2) не годится для имени HTML-файла: в нём "
                       "есть \"/\" или символ с кодом 0")
            .arg(shown, key));
}

std::optional<QString> SuffixFor(QStringView typeFileName, const TPageNaming& naming) {
    switch (PageSuffixOf(typeFileName)) {
    case TPageSuffix::Unit:
        if (!naming.Yes_Suffix_PAS)
            return QString();
        CheckSuffix(naming.Suffix_PAS, SettingsKey::Suffix_PAS);
        return naming.Suffix_PAS;
    case TPageSuffix::Form:
        if (!naming.Yes_Suffix_DFM)
            return QString();
        CheckSuffix(naming.Suffix_DFM, SettingsKey::Suffix_DFM);
        return naming.Suffix_DFM;
    case TPageSuffix::Bare:
        return QString();
    case TPageSuffix::OwnType:
        return OwnTypeSuffix(typeFileName);
    case TPageSuffix::None:
        break;
    }
    return std::nullopt;
}

} // namespace

TSettingsFile ReadSettingsFile(const QString& fnINI, bool* readable) {
    using namespace SettingsKey;
    const TIniFileValues ini(fnINI);
    if (readable)
        *readable = ini.Readable();
    TSettingsFile s;
    TPageNaming& n = s.Naming;
    n.Suffix_DFM = ini.StringParamDef(HTML, Suffix_DFM, n.Suffix_DFM, true);
    n.Suffix_PAS = ini.StringParamDef(HTML, Suffix_PAS, n.Suffix_PAS, true);
    s.YesQuery_before_Convert =
        ini.BooleanParamDef(HTML, YesQuery_before_Convert, s.YesQuery_before_Convert);
    s.YesQuery_before_Open =
        ini.BooleanParamDef(HTML, YesQuery_before_Open, s.YesQuery_before_Open);
    n.Yes_Suffix_PAS = ini.BooleanParamDef(HTML, Yes_Suffix_PAS, n.Yes_Suffix_PAS);
    n.Yes_Suffix_DFM = ini.BooleanParamDef(HTML, Yes_Suffix_DFM, n.Yes_Suffix_DFM);
    // Two choices: "htm" and "html".
    n.HTML_ExtFile_Index =
        std::clamp(ini.IntegerParamDef(HTML, HTML_ExtFile_Index, n.HTML_ExtFile_Index), 0, 1);
    s.Yes_HTML_after_BODY = ini.BooleanParamDef(HTML, Yes_HTML_after_BODY, s.Yes_HTML_after_BODY);
    s.Yes_HTML_before_BODY =
        ini.BooleanParamDef(HTML, Yes_HTML_before_BODY, s.Yes_HTML_before_BODY);
    // Every line read is "Name=Value" with a name, so none is empty.
    ini.ReadSectionValues(HTML_Attr, &s.HTML_Attr);
    s.Dir = ini.StringParam(FILES, Dir, true);
    return s;
}

TWindowSettings ReadWindowSettings(const QString& fnINI, const TStrings& defaultAttr) {
    bool readable = true;
    TSettingsFile file = ReadSettingsFile(fnINI, &readable);
    if (!readable)
        throw Exception(QStringLiteral("не удалось прочитать файл настроек %1").arg(fnINI));
    CheckPageNaming(file.Naming);
    TWindowSettings settings;
    settings.Attr = file.HTML_Attr.IsEmpty() ? defaultAttr : std::move(file.HTML_Attr);
    settings.Naming = std::move(file.Naming);
    const QString folder = QFileInfo(fnINI).absolutePath() + u'/';
    if (file.Yes_HTML_after_BODY)
        settings.BodyAfter = ReadFragment(folder + BodyAfterFileName);
    if (file.Yes_HTML_before_BODY)
        settings.BodyEndBefore = ReadFragment(folder + BodyBeforeFileName);
    return settings;
}

bool IsPascalSource(QStringView fileName) {
    return PageSuffixOf(fileName) != TPageSuffix::None;
}

QString PageFileName(const QString& fn, QStringView typeFileName, const TPageNaming& naming) {
    const std::optional<QString> suffix = SuffixFor(typeFileName, naming);
    return suffix ? HtmlFileName(fn, naming.HTML_ExtFile_Index, *suffix) : QString();
}

void CheckPageNaming(const TPageNaming& naming) {
    if (naming.Yes_Suffix_PAS)
        CheckSuffix(naming.Suffix_PAS, SettingsKey::Suffix_PAS);
    if (naming.Yes_Suffix_DFM)
        CheckSuffix(naming.Suffix_DFM, SettingsKey::Suffix_DFM);
}
