#pragma once
// The fixed lines around the preformatted block of a page.

#include <QString>
#include <QStringList>
#include <QStringView>

struct TPageFrame {
    QStringList Head; // up to and including "<pre>"
    QStringList Tail; // from "</pre>" on

    // The page of a conversion: title (trimmed, "NewFile" when blank) and the two fragments
    // (trimmed, left out when blank).
    static TPageFrame Titled(const QString& sTitle, const QString& sTextBodyAfter,
                             const QString& sTextBodyEndBefore);
    // The page with a fixed title, or only "<pre>" and "</pre>".
    static TPageFrame Standalone(bool GenHTMLPage);
};
