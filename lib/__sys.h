#pragma once
// Opening a document with the program the desktop associates with it.

#include <QString>
#include <QtGlobal>

class QWidget;

// Window show modes a caller may ask for; the desktop's opener decides the window state.
constexpr quint16 SW_SHOWNORMAL = 1;
constexpr quint16 SW_SHOWMAXIMIZED = 3;

// Opens the document `fn` (trimmed) with its associated program; false when the name is
// blank, the file is missing or the opener fails. With NrErr the failure is told to the
// user: a beep and "НЕ указано имя файла документа" for a blank name, otherwise
// "Ошибка при открытии документа : " and the name. `HandleApp` owns the message boxes.
bool File_OpenForView(QString fn, QWidget* HandleApp, quint16 ShowCommand, bool NrErr);
