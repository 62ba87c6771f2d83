#pragma once
// Small value types shared by the memo's text model, scanner and painting.

#include <QColor>
#include <QFont>
#include <QtGlobal>

enum TSyntaxType : quint8 {
    stPascal,
    stCpp,
    stJs,
    stVB,
    stSQL,
    stText,
    stPHP,
    st1Cv7,
    stErlang,
    stQuarnel
};
constexpr int SyntaxTypeCount = 10;

// The attribute of one character. Values 0..7 are also the codes kept in the attribute map.
enum TCharAttr : quint8 {
    caNo = 0,
    caText = 1,
    caBlock = 2,
    caComment = 3,
    caKeyword = 4,
    caString = 5
};

// A set of attributes in one byte: bit n set means value n is present.
class TCharAttributes {
public:
    constexpr TCharAttributes() = default;
    constexpr bool Has(TCharAttr a) const { return (FBits >> a) & 1u; }
    constexpr void Include(TCharAttr a) { FBits = quint8(FBits | (1u << a)); }
    constexpr bool operator==(const TCharAttributes&) const = default;

private:
    quint8 FBits = 0;
};

// A drawing font as the memo's attribute fonts carry it: face, size and style with a colour.
struct TSynFont {
    QFont Font;
    QColor Color;
    bool operator==(const TSynFont&) const = default;
};
