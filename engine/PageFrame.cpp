#include "PageFrame.h"

#include "Trim.h"

TPageFrame TPageFrame::Titled(const QString& sTitle, const QString& sTextBodyAfter,
                              const QString& sTextBodyEndBefore) {
    QString title = Trim(sTitle);
    if (title.isEmpty())
        title = QStringLiteral("NewFile");
    const QString after = Trim(sTextBodyAfter);
    const QString before = Trim(sTextBodyEndBefore);

    TPageFrame frame;
    frame.Head << QStringLiteral("<html>") << QStringLiteral("<head>")
               << QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; "
                                 "charset=windows-1251\">")
               << QStringLiteral("<title>") + title + QStringLiteral("</title>")
               << QStringLiteral("</head>") << QStringLiteral("<body>");
    if (!after.isEmpty())
        frame.Head << after;
    frame.Head << QStringLiteral("<pre>");
    frame.Tail << QStringLiteral("</pre>");
    if (!before.isEmpty())
        frame.Tail << before;
    frame.Tail << QStringLiteral("</body>") << QStringLiteral("</html>");
    return frame;
}

TPageFrame TPageFrame::Standalone(bool GenHTMLPage) {
    TPageFrame frame;
    if (GenHTMLPage)
        frame.Head << QStringLiteral(
                          "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">")
                   << QStringLiteral("<html>") << QStringLiteral("<head>")
                   << QStringLiteral("<title> New Document </title>")
                   << QStringLiteral("<meta name=\"Generator\" content=\"Ostrelvan\">")
                   << QStringLiteral(" <meta content=\"text/html; charset=windows-1251\" "
                                     "http-equiv=\"content-type\">")
                   << QStringLiteral("</head>") << QStringLiteral("<body>");
    frame.Head << QStringLiteral("<pre>");
    frame.Tail << QStringLiteral("</pre>");
    if (GenHTMLPage)
        frame.Tail << QStringLiteral("</body>") << QStringLiteral("</html>");
    return frame;
}
