// The index page of a published folder: every page written, grouped by folder.

#include "Site.h"
#include "SiteHtml.h"

#include "Exception.h"
#include "HtmlName.h"
#include "SourceTypes.h"
#include "TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>

namespace {

struct TRow {
    QStringList Folder; // relative to the output folder, part by part
    QString Shown;      // the source's path relative to its folder
    QString Href;
    QString Type;
    qsizetype Lines = 0;
    qint64 Size = 0;
};

QString TypeOf(const QString& source) {
    switch (SourceKindOf(source)) {
    case TSourceKind::Unit:
        return QStringLiteral("модуль");
    case TSourceKind::Form:
        return QStringLiteral("форма");
    case TSourceKind::Include:
        return QStringLiteral("включаемый файл");
    case TSourceKind::Package:
        return QStringLiteral("пакет");
    case TSourceKind::Project:
    case TSourceKind::None:
        break;
    }
    return QStringLiteral("проект");
}

// The name of the folder the first source came from: the site's title.
QString SiteTitle(const TOptions& options) {
    const QFileInfo first(options.Sources.value(0));
    const QString folder = first.isDir() ? first.absoluteFilePath() : first.absolutePath();
    const QString name = QFileInfo(QDir::cleanPath(folder)).fileName();
    return name.isEmpty() ? QDir::cleanPath(folder) : name;
}

QString Escaped(const QString& text) {
    return text.toHtmlEscaped();
}

QString IndexHtml(const QString& title, const std::vector<TRow>& rows, bool withSymbols) {
    QString html = SitePageStart(
        title,
        QStringLiteral("body{font-family:sans-serif;margin:1.5em}table{border-collapse:collapse}"
                       "th,td{padding:.2em .8em;text-align:left}td.n{text-align:right}"
                       "tr.folder th{background:#eef;border-top:1px solid #99b;padding-top:.5em}"
                       "tfoot td{border-top:2px solid #666;font-weight:bold}"));
    const auto line = [&html](const QString& text) { html += text + QLatin1String("\n"); };
    line(QStringLiteral("<h1>%1</h1>").arg(Escaped(title)));
    if (withSymbols)
        line(QStringLiteral("<p><a href=\"symbols.htm\">Указатель имён</a></p>"));
    line(QStringLiteral("<table>"));
    line(QStringLiteral("<thead><tr><th>Файл</th><th>Тип</th><th>Строк</th><th>Байт</th></tr>"
                        "</thead>"));
    line(QStringLiteral("<tbody>"));
    qsizetype lines = 0;
    qint64 bytes = 0;
    const QStringList* folder = nullptr;
    for (const TRow& row : rows) {
        if (!folder || *folder != row.Folder) {
            folder = &row.Folder;
            line(QStringLiteral("<tr class=\"folder\"><th colspan=\"4\">%1/</th></tr>")
                     .arg(Escaped(row.Folder.isEmpty() ? QStringLiteral(".")
                                                       : row.Folder.join(u'/'))));
        }
        // Put together, not filled in: a percent-encoded href holds "%" and digits.
        line(QLatin1String("<tr><td><a href=\"") + row.Href + QLatin1String("\">") +
             Escaped(row.Shown) + QLatin1String("</a></td><td>") + row.Type +
             QLatin1String("</td><td class=\"n\">") + QString::number(row.Lines) +
             QLatin1String("</td><td class=\"n\">") + QString::number(row.Size) +
             QLatin1String("</td></tr>"));
        lines += row.Lines;
        bytes += row.Size;
    }
    line(QStringLiteral("</tbody>"));
    line(QStringLiteral("<tfoot><tr><td>Всего страниц: %1</td><td></td><td class=\"n\">%2</td>"
                        "<td class=\"n\">%3</td></tr></tfoot>")
             .arg(rows.size())
             .arg(lines)
             .arg(bytes));
    line(QStringLiteral("</table>"));
    line(QStringLiteral("</body>"));
    line(QStringLiteral("</html>"));
    return html;
}

} // namespace

void WriteIndex(const TOptions& options, const TPlan& plan,
                const std::vector<TPageResult>& results) {
    const QDir output(options.Output);
    std::vector<TRow> rows;
    for (size_t i = 0; i < plan.Jobs.size(); ++i) {
        const TJob& job = plan.Jobs[i];
        if (!results[i].Written || job.Target.isEmpty())
            continue;
        const QString relative = output.relativeFilePath(QFileInfo(job.Target).absoluteFilePath());
        QStringList folder = relative.split(u'/');
        folder.removeLast();
        QStringList href = relative.split(u'/');
        for (QString& part : href)
            part = QString::fromLatin1(QUrl::toPercentEncoding(part));
        const QString name = QFileInfo(job.Source).fileName();
        rows.push_back({folder, folder.isEmpty() ? name : folder.join(u'/') + u'/' + name,
                        href.join(u'/'), TypeOf(job.Source), results[i].Lines,
                        QFileInfo(job.Source).size()});
    }
    // Folder by folder, each part compared on its own so that "a/b" comes right after "a".
    std::stable_sort(rows.begin(), rows.end(), [](const TRow& x, const TRow& y) {
        return std::lexicographical_compare(x.Folder.begin(), x.Folder.end(), y.Folder.begin(),
                                            y.Folder.end());
    });

    if (!QDir().mkpath(options.Output))
        throw Exception(CannotWriteMessage(options.Output, QStringLiteral("нет папки")));
    WriteSitePage(output.filePath(QStringLiteral("index.htm")),
                  IndexHtml(SiteTitle(options), rows, options.Xref));
}

QString SitePageStart(const QString& title, const QString& style) {
    const auto latin1 = [](std::string_view text) {
        return QLatin1StringView(text.data(), qsizetype(text.size()));
    };
    return latin1(kPageHead) + title.toHtmlEscaped() + latin1(kPageStyle) + style +
           latin1(kPageBody);
}
