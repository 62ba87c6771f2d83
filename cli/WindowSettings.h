#pragma once
// What the window would use for a conversion, read from its settings file: the markup tag
// set, the page-name choices and the two body fragments.

#include "TStrings.h"

#include <QString>
#include <optional>

struct TPageNaming {
    bool YesSuffixPas = true;
    QString SuffixPas = QStringLiteral("_pas");
    bool YesSuffixDfm = true;
    QString SuffixDfm = QStringLiteral("_dfm");
    int ExtensionIndex = 0; // 0: ".htm", 1: ".html"
};

struct TWindowSettings {
    TStrings Tags;
    TPageNaming Naming;
    std::optional<TStrings> After, Before; // only when their switches are on
};

// The fresh window's settings: the default tag set, "_pas", "_dfm", ".htm", no fragments.
TWindowSettings DefaultWindowSettings();

// Reads `fnINI` as the window does at start-up; the fragment files are the ones beside it.
// Raises Exception when a fragment file that is switched on exists but cannot be read.
TWindowSettings ReadWindowSettings(const QString& fnINI);
