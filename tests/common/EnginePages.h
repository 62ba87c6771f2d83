#pragma once
// The engine's default markup and its own pages, for tests that hold a front end's output
// against them.

#include "TestFiles.h"
#include "__pas2html.h"

#include <QTemporaryDir>

inline TStrings DefaultTags() {
    TStrings tags;
    htmlTextAttr_Def1(&tags);
    return tags;
}

// The default tag set as the settings page's editor shows it.
inline QString DefaultTagLines() {
    return DefaultTags().Lines().join(u'\n');
}

// The page the engine's file form writes for `source` with the default markup; empty when
// it writes none.
inline QByteArray EnginePage(const QString& source, const QString& title,
                             const TStrings* after = nullptr, const TStrings* before = nullptr) {
    QTemporaryDir dir;
    const QString page = dir.filePath("page.htm");
    const TStrings tags = DefaultTags();
    if (!FilePas_2_FileHtml(source, page, title, &tags, after, before, true))
        return {};
    return ReadBytes(page);
}
