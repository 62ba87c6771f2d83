#pragma once
// The program's own icon, drawn from its SVG picture.

#include <QIcon>
#include <QString>

// The desktop entry's name without ".desktop", which docks match to the running window.
inline const QString DesktopFileName = QStringLiteral("org.dwelk.Dwelk");

// Sharp at every size from 16 to 256 pixels and at every screen scale.
QIcon AppIcon();
