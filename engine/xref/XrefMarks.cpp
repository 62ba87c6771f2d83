// Strings put together in one allocation each: these pages are long.
#define QT_USE_QSTRINGBUILDER

#include "XrefMarks.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QPair>
#include <QUrl>
#include <algorithm>

namespace {

// Most ids and titles need no escape: they are kept as they are, not copied.
QString Attribute(const QString& text) {
    const bool plain = std::none_of(text.begin(), text.end(), [](QChar c) {
        return c == u'<' || c == u'>' || c == u'&' || c == u'"';
    });
    return plain ? text : text.toHtmlEscaped();
}

bool IsUnreserved(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '-' ||
           u == '.' || u == '_' || u == '~';
}

} // namespace

QString IdFragment(const QString& id) {
    if (std::all_of(id.begin(), id.end(), IsUnreserved))
        return id;
    return QString::fromLatin1(QUrl::toPercentEncoding(id));
}

QString RelativeHref(const QString& fromFolder, const QString& toFile) {
    QStringList parts = QDir(fromFolder).relativeFilePath(toFile).split(u'/');
    for (QString& part : parts)
        part = QString::fromLatin1(QUrl::toPercentEncoding(part));
    return parts.join(u'/');
}

QString DeclarationHref(const TDecl& decl, const QString& page) {
    if (decl.Scope == 0 && !page.isEmpty())
        return page; // a unit's page itself, as the unit links of a site give it
    return page + u'#' + IdFragment(decl.Id);
}

std::vector<TXrefMark> XrefMarks(const TXrefProject& project, const std::vector<TXrefPages>& pages,
                                 int unit, const std::vector<TXrefLink>& links) {
    std::vector<TXrefMark> marks;
    const QString folder = QFileInfo(pages[size_t(unit)].Page).path();
    const QString refs = RelativeHref(folder, pages[size_t(unit)].Refs);
    for (const TDecl& decl : project.Unit(unit).Decls)
        if (decl.Ordinal >= 0)
            marks.push_back({decl.Line, decl.Ordinal,
                             QLatin1String("<a id=\"") + Attribute(decl.Id) +
                                 QLatin1String("\" href=\"") + refs + u'#' + IdFragment(decl.Id) +
                                 QLatin1String("\">")});
    // A declaration linked many times is put into words once, the way to its page once per
    // page it lies in (none for this page).
    QHash<QPair<int, int>, int> opened; // -> its number
    std::vector<QString> opens;
    QHash<int, QString> pageHrefs;
    for (const TXrefLink& link : links) {
        int& shared = opened[{link.Target.Unit, link.Target.Decl}];
        if (shared == 0) {
            const TDecl& decl = project.Decl(link.Target);
            const QString title = decl.Title + QStringLiteral(" — ") +
                                  pages[size_t(link.Target.Unit)].Shown + u':' +
                                  QString::number(decl.Line);
            auto page = pageHrefs.constFind(link.Target.Unit);
            if (page == pageHrefs.cend())
                page = pageHrefs.insert(
                    link.Target.Unit,
                    link.Target.Unit == unit
                        ? QString()
                        : RelativeHref(folder, pages[size_t(link.Target.Unit)].Page));
            opens.push_back(QLatin1String("<a href=\"") + DeclarationHref(decl, *page) +
                            QLatin1String("\" title=\"") + Attribute(title) + QLatin1String("\">"));
            shared = int(opens.size()); // from 1 here: 0 is a new entry
        }
        marks.push_back({link.Line, link.Ordinal, opens[size_t(shared - 1)], shared - 1});
    }
    // A declaration's own mark comes first: its name is never also a link elsewhere.
    std::stable_sort(marks.begin(), marks.end(), [](const TXrefMark& a, const TXrefMark& b) {
        return a.Line != b.Line ? a.Line < b.Line : a.Ordinal < b.Ordinal;
    });
    marks.erase(std::unique(marks.begin(), marks.end(),
                            [](const TXrefMark& a, const TXrefMark& b) {
                                return a.Line == b.Line && a.Ordinal == b.Ordinal;
                            }),
                marks.end());
    return marks;
}
