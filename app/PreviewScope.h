#pragma once
// Which addresses the preview may load: local files inside the folder tree the shown page
// came from, and inline data; nothing remote and no other local file. A page reached by a
// link keeps the tree of the page that linked to it; going back or forward returns to the
// tree each page was shown from.

#include <QHash>
#include <QString>
#include <QUrl>

class TPreviewScope {
public:
    // The next page comes from `tree`: a folder, whose whole tree it may reach, or a single
    // file, which may reach nothing else.
    void Enter(const QString& tree);

    // Whether a navigation to `url` may go ahead; a main-frame one that does records the
    // tree its page belongs to.
    bool AcceptNavigation(const QUrl& url, bool backOrForward, bool mainFrame);

    // Whether the page shown may load `url`.
    bool Allows(const QUrl& url) const;

private:
    QString FTree;                    // canonical; empty: nothing local
    QHash<QUrl, QString> FTreeOfPage; // pages shown, without fragment -> their tree
};
