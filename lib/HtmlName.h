#pragma once
// Page names: the source name with its extension replaced, optionally after a suffix that
// tells a unit and a form of the same name apart.

#include <QString>
#include <QStringView>

// The extension of a file name: the part from its last "." when no "/" follows it, else empty.
QStringView FileExtension(QStringView fileName);

// The page name for `fnPas`: extension ".htm" (NrExt <= 0) or ".html", after the trimmed
// suffix when there is one; empty for a blank name.
QString HtmlFileName(const QString& fnPas, int NrExt, const QString& sSuff);
