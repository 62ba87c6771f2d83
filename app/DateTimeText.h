#pragma once
// The clock's text in the user's regional formats.

#include <QDateTime>
#include <QLocale>
#include <QString>

// The short date, then the long time without its time-zone field; the time is left out when
// it is exactly midnight.
QString DateTimeToStr(const QDateTime& moment, const QLocale& locale = QLocale::system());
