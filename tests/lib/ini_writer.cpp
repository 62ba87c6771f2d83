// Writes COUNT keys PREFIX0 .. PREFIX<COUNT-1> into section "Load" of FILE, one write per
// key, so that two copies running at once exercise the settings file's lock.

#include "Exception.h"
#include "__files.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    const int count = args[3].toInt();
    try {
        for (int i = 0; i < count; ++i)
            PutToINI_StringParam(args[1], QStringLiteral("Load"), args[2] + QString::number(i),
                                 QString::number(i));
    } catch (const Exception& e) {
        QTextStream(stderr) << e.Message() << '\n';
        return 1;
    }
    return 0;
}
