#pragma once
// The preview's embedded browser: a web view on a private profile that keeps nothing on
// disk, runs no scripts and lets pages load nothing but local files; it keeps the
// browser's own visibility flag apart from whether the widget is shown.

#include <QWebEngineView>

class QMenu;
class QWebEnginePage;
class QWebEngineProfile;

class TWebBrowser : public QWebEngineView {
    Q_OBJECT

public:
    explicit TWebBrowser(QWidget* parent);
    ~TWebBrowser() override;

    // Shows the local file `fileName`; the navigation completes on its own.
    void Navigate(const QString& fileName);

    bool BrowserVisible() const { return fBrowserVisible; }
    void SetBrowserVisible(bool value) { fBrowserVisible = value; }

    // The preview's own context menu: "Назад", "Вперёд", "Обновить", "Копировать",
    // "Выделить всё", each enabled when it can act. Nothing in it leaves the preview.
    QMenu* CreatePreviewMenu();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QWebEngineProfile* fProfile;
    QWebEnginePage* fPage;
    bool fBrowserVisible = false;
};
