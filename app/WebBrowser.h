#pragma once
// The preview's embedded browser: a web view on a private profile that keeps nothing on
// disk and runs no scripts; its pages load and link to nothing but the local files of the
// folder tree they came from. It keeps the browser's own visibility flag apart from whether
// the widget is shown.

#include "PreviewScope.h"

#include <QWebEngineView>

class QMenu;
class QWebEnginePage;
class QWebEngineProfile;

class TWebBrowser : public QWebEngineView {
    Q_OBJECT

public:
    explicit TWebBrowser(QWidget* parent);
    ~TWebBrowser() override;

    // Shows the local file `fileName`, which comes from `tree` (a folder, or the file itself);
    // its links and sub-resources may reach files inside that tree only. The navigation
    // completes on its own.
    void Navigate(const QString& fileName, const QString& tree);

    bool BrowserVisible() const { return fBrowserVisible; }
    void SetBrowserVisible(bool value) { fBrowserVisible = value; }

    // The preview's own context menu: "Назад", "Вперёд", "Обновить", "Копировать",
    // "Выделить всё", each enabled when it can act. Nothing in it leaves the preview.
    QMenu* CreatePreviewMenu();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    TPreviewScope fScope;
    QWebEngineProfile* fProfile;
    QWebEnginePage* fPage;
    bool fBrowserVisible = false;
};
