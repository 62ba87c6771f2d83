#include "__sys.h"

#include "ShellOpen.h"
#include "Trim.h"

#include <QApplication>
#include <QMessageBox>

bool File_OpenForView(QString fn, QWidget* HandleApp, quint16 ShowCommand, bool NrErr) {
    // The desktop's opener takes no window state; the program it starts chooses its own.
    Q_UNUSED(ShowCommand);
    const QString document = Trim(fn);
    if (document.isEmpty()) {
        if (NrErr) {
            QApplication::beep();
            QMessageBox::critical(HandleApp, QGuiApplication::applicationDisplayName(),
                                  QStringLiteral("НЕ указано имя файла документа"));
        }
        return false;
    }
    if (Shell_OpenDocument(document))
        return true;
    if (NrErr) {
        QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(),
                        QStringLiteral("Ошибка при открытии документа : ") + document,
                        QMessageBox::Ok, HandleApp);
        box.exec();
    }
    return false;
}
