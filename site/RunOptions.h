#pragma once
// What one run of the converter is asked to do: the sources, where the pages go, what the
// pages carry and what the site holds besides them. pas2html fills it from its command line,
// the window from its publishing dialog.

#include "PageRecipe.h"

#include <QString>
#include <QStringList>
#include <optional>

struct TOptions {
    QStringList Sources;
    QString Output;               // -o: empty when not given
    QString OutputOption;         // -o or --output, as typed
    QString TagsFile;             // --tags
    QString AfterFile;            // --after
    QString BeforeFile;           // --before
    QString SettingsFile;         // --settings: the window's settings file
    std::optional<QString> Title; // --title
    QStringList Types;            // --types: the extensions a walk takes, lower case, no dot
    TUnmarkedSource Unmarked = TUnmarkedSource::Auto; // --encoding
    int Jobs = 0;                                     // -j: 0 = one per processor
    bool Quiet = false;
    bool Verbose = false;
    // Publishing: --index, --line-anchors, --line-numbers, --link-units, --xref; --site is
    // all five.
    bool Index = false;
    bool LineAnchors = false;
    bool LineNumbers = false;
    bool LinkUnits = false;
    QString IndexOption; // the option that asked for the index, as typed: --index or --site
    bool Xref = false;   // the code browser: implies the line anchors and the unit links
};
