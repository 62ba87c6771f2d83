#include "HtmlName.h"

#include "Trim.h"

QStringView FileExtension(QStringView fileName) {
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot < 0 || fileName.indexOf(u'/', dot) >= 0)
        return {};
    return fileName.sliced(dot);
}

QString HtmlFileName(const QString& fnPas, int NrExt, const QString& sSuff) {
    const QStringView name = TrimView(fnPas);
    if (name.isEmpty())
        return {};
    const QString extension = NrExt > 0 ? QStringLiteral(".html") : QStringLiteral(".htm");
    const QStringView suffix = TrimView(sSuff);
    const QStringView base = name.first(name.size() - FileExtension(name).size());
    if (!suffix.isEmpty())
        return TrimView(base).toString() + suffix.toString() + extension;
    return Trim(base.toString() + extension);
}
