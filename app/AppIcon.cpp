// Each size is drawn from the vector picture, never scaled from another size, so that
// the icon stays sharp in task bars, switchers and title bars at any scale.

#include "AppIcon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

QIcon AppIcon() {
    QSvgRenderer picture(QStringLiteral(":/dwelk.svg"));
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 96, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        picture.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
