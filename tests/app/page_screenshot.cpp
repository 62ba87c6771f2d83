// Not a test: pictures of published pages for README, taken in a web view under Xvfb. With a
// selector, the first element it matches is scrolled to the middle and the pointer rests on it
// until the view shows the element's title as its tooltip; then the part of the screen given
// is saved.
//
//   page_screenshot OUT.png URL X,Y,WIDTH,HEIGHT [SELECTOR]
//
// X counts from the view's left edge, Y from the hovered element's middle when a selector is
// given, else from the view's top; the part is cut to the screen.

#include <QApplication>
#include <QCursor>
#include <QJsonArray>
#include <QJsonDocument>
#include <QScreen>
#include <QTimer>
#include <QToolTip>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <cstdio>

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "page_screenshot: %s\n", what);
    QCoreApplication::exit(1);
}

void Save(const QString& out, QRect part) {
    QScreen* screen = QGuiApplication::primaryScreen();
    part &= screen->geometry();
    if (!screen->grabWindow(0, part.x(), part.y(), part.width(), part.height()).save(out))
        return Fail("cannot save the picture");
    QCoreApplication::exit(0);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QStringList numbers = args.value(3).split(u',');
    if (args.size() < 4 || numbers.size() != 4) {
        std::fprintf(stderr, "usage: page_screenshot OUT.png URL X,Y,WIDTH,HEIGHT [SELECTOR]\n");
        return 2;
    }
    const QString out = args[1];
    const QRect part(numbers[0].toInt(), numbers[1].toInt(), numbers[2].toInt(),
                     numbers[3].toInt());
    const QString selector = args.value(4);

    QWebEngineView view;
    view.setObjectName(QStringLiteral("view"));
    view.setWindowFlag(Qt::FramelessWindowHint);
    view.setGeometry(0, 0, 1280, 800);
    QCursor::setPos(1279, 799); // away from the page until it is placed
    view.show();

    QTimer tooltip;
    tooltip.setInterval(100);
    int waited = 0;
    QObject::connect(&tooltip, &QTimer::timeout, [&] {
        if (QToolTip::isVisible()) {
            tooltip.stop();
            // The tooltip fades in: the picture waits for it to be whole.
            QTimer::singleShot(800, [&] {
                Save(out, part.translated(view.mapToGlobal(QPoint(0, 0)).x(), QCursor::pos().y()));
            });
        } else if (++waited > 100) {
            tooltip.stop();
            Fail("no tooltip was shown");
        }
    });
    const auto hover = [&](const QVariant& found) {
        const QJsonArray rect = QJsonDocument::fromJson(found.toString().toUtf8()).array();
        if (rect.size() != 4)
            return Fail("the selector matches nothing");
        const QPoint centre(rect[0].toInt() + rect[2].toInt() / 2,
                            rect[1].toInt() + rect[3].toInt() / 2);
        // Two moves, so that the view sees the pointer arrive and then rest.
        QCursor::setPos(view.mapToGlobal(centre - QPoint(8, 0)));
        QTimer::singleShot(300, [&view, centre, &tooltip] {
            QCursor::setPos(view.mapToGlobal(centre));
            tooltip.start();
        });
    };
    QObject::connect(&view, &QWebEngineView::loadFinished, [&](bool ok) {
        if (!ok)
            return Fail("the page did not load");
        view.activateWindow(); // without a window manager nothing else does; tooltips need it
        // Painting follows the load; the fragment's scroll with it.
        QTimer::singleShot(1500, [&] {
            if (selector.isEmpty())
                return Save(out, part.translated(view.mapToGlobal(QPoint(0, 0))));
            const QString script =
                QStringLiteral("(function(){var e=document.querySelector(%1);if(!e)return '';"
                               "e.scrollIntoView({block:'center'});var r=e.getBoundingClientRect();"
                               "return JSON.stringify([r.left,r.top,r.width,r.height]"
                               ".map(Math.round));})()")
                    .arg(QString::fromUtf8(
                             QJsonDocument(QJsonArray{selector}).toJson(QJsonDocument::Compact))
                             .mid(1)
                             .chopped(1));
            view.page()->runJavaScript(script, hover);
        });
    });
    view.load(QUrl::fromUserInput(args[2]));
    return app.exec();
}
