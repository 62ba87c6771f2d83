#pragma once
// A compiler directive that names another source: `{$R name.dfm}` / `{$R *.lfm}` (a form)
// and `{$I name}` / `{$INCLUDE name}` (an include file).

#include <QString>
#include <QStringView>
#include <optional>

struct TFileDirective {
    enum class TKind { Form, Include };
    TKind Kind;
    QString Name; // as written, quotes taken off; a form's "*" stands for the unit's name
};

// The file `directive` (the whole directive, braces and all) names; none for other
// directives, switches such as `{$I+}`, values such as `{$I %DATE%}` and resources that are
// not forms.
std::optional<TFileDirective> ParseFileDirective(QStringView directive);
