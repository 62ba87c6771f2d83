#include "FileDirective.h"

namespace {

QStringView Body(QStringView directive) {
    if (directive.startsWith(u"{$") && directive.endsWith(u'}'))
        return directive.sliced(2, directive.size() - 3);
    if (directive.startsWith(u"(*$") && directive.endsWith(u"*)") && directive.size() >= 5)
        return directive.sliced(3, directive.size() - 5);
    return {};
}

bool IsFormName(QStringView name) {
    return name.endsWith(u".dfm", Qt::CaseInsensitive) ||
           name.endsWith(u".lfm", Qt::CaseInsensitive);
}

} // namespace

std::optional<TFileDirective> ParseFileDirective(QStringView directive) {
    const QStringView body = Body(directive);
    qsizetype n = 0;
    while (n < body.size() && body[n].isLetter())
        ++n;
    const QStringView word = body.first(n);
    // The name must be followed by a blank: "{$I+}" and "{$R-}" are switches.
    if (n == body.size() || !body[n].isSpace())
        return std::nullopt;
    QStringView name = body.sliced(n).trimmed();
    if (name.startsWith(u'\'')) {
        const qsizetype close = name.indexOf(u'\'', 1);
        name = close < 0 ? QStringView() : name.sliced(1, close - 1);
    }
    if (name.isEmpty())
        return std::nullopt;
    if (word.compare(u"i", Qt::CaseInsensitive) == 0 ||
        word.compare(u"include", Qt::CaseInsensitive) == 0) {
        if (name.startsWith(u'%')) // a value the compiler puts in, such as %DATE%
            return std::nullopt;
        return TFileDirective{TFileDirective::TKind::Include, name.toString()};
    }
    if ((word.compare(u"r", Qt::CaseInsensitive) == 0 ||
         word.compare(u"resource", Qt::CaseInsensitive) == 0) &&
        IsFormName(name))
        return TFileDirective{TFileDirective::TKind::Form, name.toString()};
    return std::nullopt;
}
