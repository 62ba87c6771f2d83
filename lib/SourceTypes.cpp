#include "SourceTypes.h"

#include "HtmlName.h"

namespace {

struct TSourceType {
    QLatin1String Extension;
    TPageSuffix Suffix;
    TSourceKind Kind;
};

constexpr TSourceType kTypes[] = {
    {QLatin1String("pas"), TPageSuffix::Unit, TSourceKind::Unit},
    {QLatin1String("pp"), TPageSuffix::OwnType, TSourceKind::Unit},
    {QLatin1String("p"), TPageSuffix::OwnType, TSourceKind::Unit},
    {QLatin1String("dpr"), TPageSuffix::Bare, TSourceKind::Project},
    {QLatin1String("lpr"), TPageSuffix::Bare, TSourceKind::Project},
    {QLatin1String("dpk"), TPageSuffix::Bare, TSourceKind::Package},
    {QLatin1String("inc"), TPageSuffix::OwnType, TSourceKind::Include},
    {QLatin1String("dfm"), TPageSuffix::Form, TSourceKind::Form},
    {QLatin1String("lfm"), TPageSuffix::OwnType, TSourceKind::Form},
};

QStringView ExtensionOf(QStringView fileName) {
    const QStringView extension = FileExtension(fileName);
    return extension.isEmpty() ? extension : extension.sliced(1);
}

const TSourceType* TypeOf(QStringView fileName) {
    const QStringView extension = ExtensionOf(fileName);
    for (const TSourceType& type : kTypes)
        if (extension.compare(type.Extension, Qt::CaseInsensitive) == 0)
            return &type;
    return nullptr;
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
    const TSourceType* type = TypeOf(fileName);
    return type ? type->Suffix : TPageSuffix::None;
}

TSourceKind SourceKindOf(QStringView fileName) {
    const TSourceType* type = TypeOf(fileName);
    return type ? type->Kind : TSourceKind::None;
}

QString OwnTypeSuffix(QStringView fileName) {
    return u'_' + ExtensionOf(fileName).toString().toLower();
}
