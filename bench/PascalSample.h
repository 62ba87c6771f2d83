#pragma once
// Deterministic, real-looking Pascal for benchmarks: units with comments of the three
// kinds, directives, strings, numbers and Cyrillic text, in windows-1251.

#include <QByteArray>

QByteArray GeneratePascal(qsizetype minimumBytes);
