// Strings put together in one allocation each: these pages are long.
#define QT_USE_QSTRINGBUILDER

#include "XrefMarks.h"

#include "FlatTable.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QUrl>
#include <algorithm>
#include <initializer_list>

namespace {

bool IsUnreserved(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '-' ||
           u == '.' || u == '_' || u == '~';
}

// Writes `pieces` at the end of `out` in one go.
void AppendAll(QString& out, std::initializer_list<QStringView> pieces) {
    qsizetype length = 0;
    for (const QStringView piece : pieces)
        length += piece.size();
    const qsizetype at = out.size();
    out.resize(at + length);
    QChar* to = out.data() + at;
    for (const QStringView piece : pieces)
        to = std::copy(piece.begin(), piece.end(), to);
}

// Text in an attribute, escaped as QString::toHtmlEscaped does; the plain stretches between
// are copied whole.
void AppendAttribute(QString& out, QStringView text) {
    qsizetype plain = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c > u'>') // letters and most else
            continue;
        const char* escaped = c == u'<'   ? "&lt;"
                              : c == u'>' ? "&gt;"
                              : c == u'&' ? "&amp;"
                              : c == u'"' ? "&quot;"
                                          : nullptr;
        if (!escaped)
            continue;
        out += text.sliced(plain, i - plain);
        out += QLatin1String(escaped);
        plain = i + 1;
    }
    out += text.sliced(plain);
}

} // namespace

QString IdFragment(const QString& id) {
    if (std::all_of(id.begin(), id.end(), IsUnreserved))
        return id;
    return QString::fromLatin1(QUrl::toPercentEncoding(id));
}

void AppendIdFragment(std::string& out, QStringView id) {
    const size_t at = out.size();
    out.resize(at + size_t(id.size()));
    char* bytes = out.data() + at;
    for (qsizetype i = 0; i < id.size(); ++i) {
        if (!IsUnreserved(id[i])) {
            const QByteArray encoded = QUrl::toPercentEncoding(id.toString());
            out.replace(at, out.size() - at, encoded.constData(), size_t(encoded.size()));
            return;
        }
        bytes[i] = char(id[i].unicode());
    }
}

QString RelativeHref(const QString& fromFolder, const QString& toFile) {
    QStringList parts = QDir(fromFolder).relativeFilePath(toFile).split(u'/');
    for (QString& part : parts)
        part = QString::fromLatin1(QUrl::toPercentEncoding(part));
    return parts.join(u'/');
}

TXrefMarks XrefMarks(const TXrefProject& project, const std::vector<TXrefPages>& pages, int unit,
                     const std::vector<TXrefLink>& links) {
    TXrefMarks result;
    QString& text = result.Text;
    const auto addTag = [&result, &text](qsizetype start) {
        result.Tags.push_back({start, text.size() - start});
        return int(result.Tags.size() - 1);
    };
    const QString folder = QFileInfo(pages[size_t(unit)].Page).path();
    const QString refs = RelativeHref(folder, pages[size_t(unit)].Refs);
    const auto& decls = project.Unit(unit).Decls;
    // A declaration linked many times is put into words once, after the page's own: each
    // tag follows the ones before it.
    TFlatTable<quint64, int> opened(links.size() / 4);
    std::vector<TXrefRef> targets;
    std::vector<TXrefMark> linked;
    linked.reserve(links.size());
    for (const TXrefLink& link : links) {
        const quint64 key = quint64(quint32(link.Target.Unit)) << 32 | quint32(link.Target.Decl);
        const auto [tag, added] = opened.Insert(key, key);
        if (added) {
            tag = int(targets.size());
            targets.push_back(link.Target);
        }
        linked.push_back({link.Line, link.Ordinal, tag});
    }
    // The way to each page linked into, once per page (none for this page).
    QHash<int, QString> pageHrefs;
    for (const TXrefRef& target : targets)
        if (target.Unit != unit && !pageHrefs.contains(target.Unit))
            pageHrefs.insert(target.Unit, RelativeHref(folder, pages[size_t(target.Unit)].Page));
    // The text's room, given once: a declaration's tag holds its id twice, a link's tag its
    // declaration's line and source.
    qsizetype room = 0;
    for (const TDecl& decl : decls)
        room += 2 * decl.Id.size() + refs.size() + 24;
    for (const TXrefRef& target : targets) {
        const TDecl& decl = project.Decl(target);
        room += decl.Id.size() + decl.Title.size() + pages[size_t(target.Unit)].Shown.size() +
                pageHrefs.value(target.Unit).size() + 40;
    }
    text.reserve(room);

    std::vector<TXrefMark> own;
    for (const TDecl& decl : decls)
        if (decl.Ordinal >= 0) {
            const qsizetype start = text.size();
            // Nearly every id is plain, the same in an attribute and in a link.
            if (std::all_of(decl.Id.begin(), decl.Id.end(), IsUnreserved)) {
                AppendAll(text, {u"<a id=\"", decl.Id, u"\" href=\"", refs, u"#", decl.Id, u"\">"});
            } else {
                text += QLatin1String("<a id=\"");
                AppendAttribute(text, decl.Id);
                text += QLatin1String("\" href=\"") + refs + u'#';
                text += IdFragment(decl.Id);
                text += QLatin1String("\">");
            }
            own.push_back({decl.Line, decl.Ordinal, addTag(start)});
        }
    for (TXrefMark& mark : linked)
        mark.Tag += int(own.size());
    for (const TXrefRef& target : targets) {
        const TDecl& decl = project.Decl(target);
        const QString page = pageHrefs.value(target.Unit);
        const qsizetype start = text.size();
        text += QLatin1String("<a href=\"") + page;
        // A unit's page itself, as the unit links of a site give it.
        if (decl.Scope != 0 || page.isEmpty()) {
            text += u'#';
            text += IdFragment(decl.Id);
        }
        text += QLatin1String("\" title=\"");
        AppendAttribute(text, decl.Title);
        text += QStringLiteral(" — ");
        AppendAttribute(text, pages[size_t(target.Unit)].Shown);
        text += u':' + QString::number(decl.Line) + QLatin1String("\">");
        addTag(start);
    }
    // Both come nearly in order. A declaration's own mark comes first: its name is never also
    // a link elsewhere.
    const auto before = [](const TXrefMark& a, const TXrefMark& b) {
        return a.Line != b.Line ? a.Line < b.Line : a.Ordinal < b.Ordinal;
    };
    for (auto* marks : {&own, &linked})
        if (!std::is_sorted(marks->begin(), marks->end(), before))
            std::stable_sort(marks->begin(), marks->end(), before);
    auto& marks = result.Marks;
    marks.resize(own.size() + linked.size());
    std::merge(own.begin(), own.end(), linked.begin(), linked.end(), marks.begin(), before);
    marks.erase(std::unique(marks.begin(), marks.end(),
                            [](const TXrefMark& a, const TXrefMark& b) {
                                return a.Line == b.Line && a.Ordinal == b.Ordinal;
                            }),
                marks.end());
    return result;
}
