#include "WebBrowser.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QUrl>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>

namespace {

// Every request of the pages shown, sub-resources included, passes the scope.
class TScopeGuard : public QWebEngineUrlRequestInterceptor {
public:
    TScopeGuard(const TPreviewScope& scope, QObject* parent)
        : QWebEngineUrlRequestInterceptor(parent), FScope(scope) {}
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        if (!FScope.Allows(info.requestUrl()))
            info.block(true);
    }

private:
    const TPreviewScope& FScope;
};

// Links, frames and history steps go only where the scope lets them.
class TScopedPage : public QWebEnginePage {
public:
    TScopedPage(TPreviewScope& scope, QWebEngineProfile* profile, QObject* parent)
        : QWebEnginePage(profile, parent), FScope(scope) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        return FScope.AcceptNavigation(url, type == NavigationTypeBackForward, isMainFrame);
    }

private:
    TPreviewScope& FScope;
};

} // namespace

TWebBrowser::TWebBrowser(QWidget* parent)
    : QWebEngineView(parent), fProfile(new QWebEngineProfile(this)) {
    fProfile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    fProfile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    fProfile->setUrlRequestInterceptor(new TScopeGuard(fScope, fProfile));
    QWebEngineSettings* s = fProfile->settings();
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    fPage = new TScopedPage(fScope, fProfile, this);
    setPage(fPage);
}

// The page goes before its profile, and both before the scope they read.
TWebBrowser::~TWebBrowser() {
    delete fPage;
    delete fProfile;
}

void TWebBrowser::Navigate(const QString& fileName, const QString& tree) {
    fScope.Enter(tree);
    load(QUrl::fromLocalFile(fileName));
}

QMenu* TWebBrowser::CreatePreviewMenu() {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("pmPreview"));
    const auto add = [this, menu](const QString& caption, QWebEnginePage::WebAction action,
                                  bool enabled) {
        QAction* item = menu->addAction(caption);
        item->setEnabled(enabled);
        connect(item, &QAction::triggered, fPage, [this, action] { fPage->triggerAction(action); });
    };
    add(QStringLiteral("Назад"), QWebEnginePage::Back, history()->canGoBack());
    add(QStringLiteral("Вперёд"), QWebEnginePage::Forward, history()->canGoForward());
    add(QStringLiteral("Обновить"), QWebEnginePage::Reload, !url().isEmpty());
    menu->addSeparator();
    add(QStringLiteral("Копировать"), QWebEnginePage::Copy, hasSelection());
    add(QStringLiteral("Выделить всё"), QWebEnginePage::SelectAll, true);
    return menu;
}

// The engine's own menu speaks English and offers links, saving and the page source; the
// preview offers its own instead.
void TWebBrowser::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = CreatePreviewMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}
