#include "PreviewScope.h"

#include <QFileInfo>

namespace {

QUrl PageKey(const QUrl& url) {
    return url.adjusted(QUrl::RemoveFragment | QUrl::RemoveQuery);
}

} // namespace

void TPreviewScope::Enter(const QString& tree) {
    // Links and names are resolved as the file system resolves them, so a link inside the
    // tree that points out of it leads out of it.
    FTree = QFileInfo(tree).canonicalFilePath();
}

bool TPreviewScope::AcceptNavigation(const QUrl& url, bool backOrForward, bool mainFrame) {
    if (mainFrame && backOrForward) {
        const auto known = FTreeOfPage.constFind(PageKey(url));
        if (known != FTreeOfPage.cend()) {
            FTree = *known;
            return Allows(url);
        }
    }
    if (!Allows(url))
        return false;
    if (mainFrame)
        FTreeOfPage.insert(PageKey(url), FTree);
    return true;
}

bool TPreviewScope::Allows(const QUrl& url) const {
    const QString scheme = url.scheme();
    if (scheme == QLatin1String("data"))
        return true;
    if (scheme != QLatin1String("file") || FTree.isEmpty() || !url.host().isEmpty())
        return false;
    const QString file = QFileInfo(url.toLocalFile()).canonicalFilePath();
    if (file.isEmpty())
        return false;
    if (file == FTree || FTree == QLatin1String("/"))
        return true;
    return file.startsWith(FTree) && file.at(FTree.size()) == u'/';
}
