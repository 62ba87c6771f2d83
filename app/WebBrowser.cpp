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

// Pages come from the user's folders; nothing they name may reach the network.
class TLocalOnly : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        const QString scheme = info.requestUrl().scheme();
        if (scheme != QLatin1String("file") && scheme != QLatin1String("data"))
            info.block(true);
    }
};

} // namespace

TWebBrowser::TWebBrowser(QWidget* parent)
    : QWebEngineView(parent), fProfile(new QWebEngineProfile(this)) {
    fProfile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    fProfile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    fProfile->setUrlRequestInterceptor(new TLocalOnly(fProfile));
    QWebEngineSettings* s = fProfile->settings();
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    fPage = new QWebEnginePage(fProfile, this);
    setPage(fPage);
}

// The page goes before its profile.
TWebBrowser::~TWebBrowser() {
    delete fPage;
}

void TWebBrowser::Navigate(const QString& fileName) {
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
