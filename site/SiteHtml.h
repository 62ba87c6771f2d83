#pragma once
// What the site's own pages (index, references, symbols) share: their start and their writing.

#include <QString>

// From "<!DOCTYPE html>" to "<body>", one element a line, each followed by "\n".
QString SitePageStart(const QString& title, const QString& style);

// Writes `html` as UTF-8 into the page `path`, replacing it whole; raises Exception.
void WriteSitePage(const QString& path, const QString& html);
