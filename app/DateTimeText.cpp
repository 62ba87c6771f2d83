#include "DateTimeText.h"

namespace {

// `format` (a time format of QLocale) without its time-zone field, the brackets that held it
// and the blanks around it; quoted text stays as it is.
QString TimeFormatWithoutZone(const QString& format) {
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u'\'')
            quoted = !quoted;
        if (quoted || c != u't') {
            out += c;
            continue;
        }
        while (i + 1 < format.size() && format[i + 1] == u't')
            ++i;
        // The zone may stand in brackets of its own: "(t)", "[t]".
        const bool bracketed = !out.isEmpty() && (out.back() == u'(' || out.back() == u'[') &&
                               i + 1 < format.size() &&
                               (format[i + 1] == u')' || format[i + 1] == u']');
        if (bracketed) {
            out.chop(1);
            ++i;
        }
        while (!out.isEmpty() && out.back() == u' ')
            out.chop(1);
        if (out.isEmpty())
            while (i + 1 < format.size() && format[i + 1] == u' ')
                ++i;
    }
    return out.trimmed();
}

} // namespace

QString DateTimeToStr(const QDateTime& moment, const QLocale& locale) {
    const QString date = locale.toString(moment.date(), QLocale::ShortFormat);
    if (moment.time() == QTime(0, 0))
        return date;
    const QString time = TimeFormatWithoutZone(locale.timeFormat(QLocale::LongFormat));
    return date + u' ' + locale.toString(moment.time(), time);
}
