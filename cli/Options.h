#pragma once
// The command line of pas2html.

#include "RunOptions.h"

#include <QString>
#include <QStringList>

enum class TParseResult { Run, Help, Version, Error };

// Fills `options`; on Error, `error` holds a one-line message.
TParseResult ParseOptions(const QStringList& arguments, TOptions& options, QString& error);

QString UsageText();
