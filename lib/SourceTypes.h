#pragma once
// The Pascal source types that get a page, and how each one's page is named.

#include <QString>
#include <QStringList>
#include <QStringView>

// How the page of a source type is named.
enum class TPageSuffix {
    None,    // not a source: it gets no page
    Unit,    // ".pas": the unit suffix, when switched on
    Form,    // ".dfm": the form suffix, when switched on
    Bare,    // projects and packages: the bare name
    OwnType, // every other type: "_" and its extension, so a unit never shares its page
};

// What a source of a type holds.
enum class TSourceKind { None, Unit, Form, Project, Package, Include };

// The extensions of every source type, in lower case without the dot.
const QStringList& SourceTypeNames();

// The rule for a file of this name, by its extension in any letter case.
TPageSuffix PageSuffixOf(QStringView fileName);

// What a file of this name holds, by its extension in any letter case; units are the types
// a `uses` clause can name (".pas", ".pp", ".p").
TSourceKind SourceKindOf(QStringView fileName);

// The suffix a type of the OwnType rule takes: "_" and its extension in lower case.
QString OwnTypeSuffix(QStringView fileName);
