#include "PageExtras.h"

#include <charconv>
#include <cstring>
#include <string_view>

QString LineNumberStyle() {
    // Generated content is drawn but is no text of the page: copying the code leaves the
    // numbers behind.
    return QStringLiteral(
        "<style>pre .ln::before{content:attr(data-n);display:inline-block;min-width:5ch;"
        "margin-right:1.5ch;padding-right:.5ch;border-right:1px solid #ccc;text-align:right;"
        "color:#999;-webkit-user-select:none;user-select:none}"
        "pre .ln:target::before{background:#ffea80}</style>");
}

qsizetype LineStartMarkup(char* out, qsizetype n, bool numbered) {
    char number[24];
    const size_t digits = size_t(std::to_chars(number, number + sizeof number, n).ptr - number);
    char* p = out;
    const auto put = [&p](const char* text, size_t length) {
        std::memcpy(p, text, length);
        p += length;
    };
    const auto literal = [&put](std::string_view text) { put(text.data(), text.size()); };
    literal(numbered ? "<span class=\"ln\" id=\"L" : "<span id=\"L");
    put(number, digits);
    if (numbered) {
        literal("\" data-n=\"");
        put(number, digits);
    }
    literal("\"></span>");
    return p - out;
}

void AddToHead(QStringList& head, const TPageExtras& extras) {
    if (extras.LineNumbers) {
        const qsizetype end = head.indexOf(QStringLiteral("</head>"));
        head.insert(end < 0 ? 0 : end, LineNumberStyle());
    }
    if (!extras.IndexHref.isEmpty()) {
        const qsizetype pre = head.lastIndexOf(QStringLiteral("<pre>"));
        head.insert(pre < 0 ? head.size() : pre,
                    QStringLiteral("<a href=\"%1\">Оглавление</a>").arg(extras.IndexHref));
    }
}
