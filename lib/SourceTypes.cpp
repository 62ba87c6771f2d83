#include "SourceTypes.h"

#include "HtmlName.h"

namespace {

struct TSourceType {
    QLatin1String Extension;
    TPageSuffix Suffix;
};

constexpr TSourceType kTypes[] = {
    {QLatin1String("pas"), TPageSuffix::Unit},    {QLatin1String("pp"), TPageSuffix::OwnType},
    {QLatin1String("p"), TPageSuffix::OwnType},   {QLatin1String("dpr"), TPageSuffix::Bare},
    {QLatin1String("lpr"), TPageSuffix::Bare},    {QLatin1String("dpk"), TPageSuffix::Bare},
    {QLatin1String("inc"), TPageSuffix::OwnType}, {QLatin1String("dfm"), TPageSuffix::Form},
    {QLatin1String("lfm"), TPageSuffix::OwnType},
};

QStringView ExtensionOf(QStringView fileName) {
    const QStringView extension = FileExtension(fileName);
    return extension.isEmpty() ? extension : extension.sliced(1);
}

} // namespace

const QStringList& SourceTypeNames() {
    static const QStringList names = [] {
        QStringList list;
        for (const TSourceType& type : kTypes)
            list << type.Extension;
        return list;
    }();
    return names;
}

TPageSuffix PageSuffixOf(QStringView fileName) {
    const QStringView extension = ExtensionOf(fileName);
    for (const TSourceType& type : kTypes)
        if (extension.compare(type.Extension, Qt::CaseInsensitive) == 0)
            return type.Suffix;
    return TPageSuffix::None;
}

QString OwnTypeSuffix(QStringView fileName) {
    return u'_' + ExtensionOf(fileName).toString().toLower();
}
