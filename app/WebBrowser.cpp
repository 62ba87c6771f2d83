#include "WebBrowser.h"

#include <QUrl>
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
