#include "PageExtras.h"

QString LineNumberStyle() {
    // Generated content is drawn but is no text of the page: copying the code leaves the
    // numbers behind.
    return QStringLiteral(
        "<style>pre .ln::before{content:attr(data-n);display:inline-block;min-width:5ch;"
        "margin-right:1.5ch;padding-right:.5ch;border-right:1px solid #ccc;text-align:right;"
        "color:#999;-webkit-user-select:none;user-select:none}"
        "pre .ln:target::before{background:#ffea80}</style>");
}

QByteArray LineStartMarkup(qsizetype n, bool numbered) {
    const QByteArray number = QByteArray::number(n);
    if (numbered)
        return "<span class=\"ln\" id=\"L" + number + "\" data-n=\"" + number + "\"></span>";
    return "<span id=\"L" + number + "\"></span>";
}

void AddToHead(QStringList& head, const TPageExtras& extras) {
    if (!extras.LineNumbers)
        return;
    const qsizetype end = head.indexOf(QStringLiteral("</head>"));
    head.insert(end < 0 ? 0 : end, LineNumberStyle());
}
