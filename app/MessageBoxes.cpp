#include "MessageBoxes.h"

#include "Exception.h"

#include <QApplication>
#include <QMessageBox>
#include <exception>

void ShowMessage(QWidget* owner, const QString& message) {
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), message,
                    QMessageBox::Ok, owner);
    box.exec();
}

bool AskOkCancel(QWidget* owner, const QString& question) {
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), question,
                    QMessageBox::Ok | QMessageBox::Cancel, owner);
    return box.exec() == QMessageBox::Ok;
}

void ShowErrorBox(QWidget* owner, const QString& message) {
    QMessageBox::critical(owner, QApplication::applicationDisplayName(), message);
}

bool ReportCurrentError(QWidget* owner) {
    try {
        throw;
    } catch (const Exception& e) {
        ShowErrorBox(owner, e.Message());
    } catch (const std::exception& e) {
        ShowErrorBox(owner, QString::fromLocal8Bit(e.what()));
    }
    return false;
}
