#pragma once
// What the cross-reference knows of one source: its declarations, the scopes they live in,
// and (while its page is made) the names it uses.

#include "WordSet.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <bit>
#include <vector>

enum class TDeclKind : quint8 {
    Unit,
    Program,
    Library,
    Type,
    EnumMember,
    Field,
    Method,
    Property,
    Routine,
    Parameter,
    Variable,
    Constant,
    ResourceString,
    Label,
    TypeParameter
};

// A type's or routine's kind, as its declaration tells.
enum class TDeclWhat : quint8 {
    None,
    ClassReference,
    Enumeration,
    Set,
    Array,
    Pointer,
    ProceduralType,
    File,
    Type,
    Record,
    Object,
    Class,
    Helper,
    Interface,
    Function,
    Constructor,
    Destructor,
    Operator,
    Procedure
};
// The same in words ("класс", "запись"); empty for None.
QString WhatWords(TDeclWhat what);

// The type a name was declared with, as written: enough to find members through it.
struct TTypeRef {
    QString Name;            // lower case, dotted when qualified; empty when anonymous or none
    int Members = -1;        // an anonymous record's or class's member scope
    quint8 Indirections = 0; // "^T" or "array of T": one step to reach T
};

// How much of a source line a title shows: a line of megabytes would otherwise be copied
// into every link to its declarations.
constexpr qsizetype kShownLineLength = 200;

// Its name, id and title view the unit's one text (TXrefUnit::Strings), which moves with it.
struct TDecl {
    QStringView Name; // as written
    QString Lower;
    TDeclKind Kind = TDeclKind::Variable;
    TDeclWhat What = TDeclWhat::None; // of a type or routine
    bool Sure = true;
    bool Public = false;   // in an interface section or a program, outside routines
    bool Forward = false;  // a routine declared "forward" and not yet given its body
    bool Overload = false; // declared "overload": a call looks for more in other units
    quint8 Length = 0;     // its name's units as written where it stands; 0 for over 255
    int Scope = -1;        // where it is declared
    int Inner = -1;        // its members, or its parameters and locals
    int Line = 0, Ordinal = -1;
    int Column = 0;        // where its name starts in its line, in units of the decoded text
    int Seq = 0;           // the token it stands at: declared before what follows
    int Params = -1;       // a routine's parameter count
    int Defaults = 0;      // how many of them have a default value
    quint32 Signature = 0; // a hash of its parameters' types as written
    int NextSame = -1;     // the next declaration of this name in the same scope
    TTypeRef Type;
    QStringView Id;
    QStringView Title; // its first line, trimmed, at most kShownLineLength characters
};

enum class TScopeKind : quint8 { File, Interface, Implementation, Program, Routine, Members };

struct TUsedUnit {
    QString Lower;  // as written, dotted names too
    QString InPath; // of its "in 'path'" form
};

struct TScope {
    TScopeKind Kind = TScopeKind::Routine;
    int Outer = -1; // where a name not found here is looked for next
    int Owner = -1; // the declaration it belongs to
    int Class = -1; // a method body's class members
    QString Path;   // the id prefix of a scope without owner ("TFoo.Bump" of an unknown class)
    std::vector<TUsedUnit> Uses;
    // Members: the ancestors as written, lower case (the first may be a class, the rest
    // interfaces); empty for none; "-" when the implicit root class or interface.
    QStringList Ancestors;
    int AncestorSeq = 0;
};

// A name the parse met in code, to be resolved once every source is known.
struct TSite {
    enum class TRole : quint8 {
        Lexical,   // from its scope outwards
        Qualified, // after "X.": through what X names
        Member,    // in a class's members and its ancestors only (property specifiers)
        Preset,    // the parse knows the declaration (the header of a routine's body)
        Inherited, // "inherited" or "inherited Name"
        UnitName,  // in a uses clause
        Implicit,  // "Result" or "Self": never linked, only followed by ".Name"
    };
    TRole Role = TRole::Lexical;
    bool Sure = true;
    quint8 Steps = 0;  // the "^" and "[ ]" between the site before the dot and the dot
    quint8 Length = 0; // as TDecl's
    int Line = 0, Ordinal = 0;
    int Column = 0; // as TDecl's
    int Scope = -1;
    int Args = -1; // the number of arguments of a call that follows; -1 for none
    // Sites are kept by the hundred thousand until their page is made: what no role needs
    // besides another shares its room.
    union {
        // For Lexical: the token it stands at, seeing what is declared before.
        int Seq = 0;
        // For Qualified: the site before the dot; for Preset: a declaration of this source;
        // for UnitName: its entry in the uses clause of its scope, which alone finds it.
        int Target;
    };
    // Its lower case, an index into TParsedSource::Names; 0, the empty name, for a bare
    // "inherited".
    int Name = 0;
};

// A "with" statement; the sites of its body, [Begin, End), are those it is the innermost of
// but for those of the "with"s inside it, which come after it.
struct TWith {
    int Outer = -1;            // the "with" around this one
    std::vector<int> Subjects; // the last site of each expression, -1 when not a name
    int Begin = 0, End = 0;
};

// A lower-case name hashed once for a lookup that visits many scopes and units, when first
// needed: a lookup a page has made before needs none.
struct THashedName {
    THashedName(const QString& lower) : Lower(lower) {}
    // The same, its hash kept in `memo` (0 for none yet) once made: a page asks for each of its
    // names in many lookups.
    THashedName(const QString& lower, size_t* memo) : Lower(lower), FMemo(memo) {}
    const QString& Lower;
    size_t Hash() const {
        if (!FHashed) {
            FHash = FMemo && *FMemo ? *FMemo : NameHash(Lower);
            if (FMemo)
                *FMemo = FHash;
            FHashed = true;
        }
        return FHash;
    }

private:
    size_t* FMemo = nullptr;
    mutable size_t FHash = 0;
    mutable bool FHashed = false;
};

// The first declaration of each name in each scope. Looked up for every name a run meets in
// every scope it passes, mostly in vain: a slot keeps its scope and part of its name's hash,
// so a miss seldom reaches the declarations, and nothing is copied or counted per look-up;
// growing the table hashes no name again.
class TNameIndex {
public:
    int Find(const std::vector<TDecl>& decls, int scope, const THashedName& name) const {
        if (FSlots.empty())
            return -1;
        const quint32 check = quint32(name.Hash());
        for (size_t k = Start(scope, check);; k = (k + 1) & (FSlots.size() - 1)) {
            const TSlot& slot = FSlots[k];
            if (slot.Decl < 0)
                return -1;
            if (slot.Check == check && slot.Scope == scope &&
                decls[size_t(slot.Decl)].Lower == name.Lower)
                return slot.Decl;
        }
    }

    // `decl` is the first of its name in its scope.
    void Insert(const std::vector<TDecl>& decls, int decl) {
        if (2 * (FCount + 1) > FSlots.size())
            Grow();
        Place({quint32(NameHash(decls[size_t(decl)].Lower)), decl, decls[size_t(decl)].Scope});
        ++FCount;
    }

private:
    struct TSlot {
        quint32 Check = 0; // the low half of the name's hash
        int Decl = -1;
        int Scope = -1;
    };

    size_t Start(int scope, quint32 check) const {
        return size_t(((quint64(check) + quint64(quint32(scope))) * 0x9E3779B97F4A7C15ull) >>
                      FShift);
    }
    void Place(const TSlot& slot) {
        size_t k = Start(slot.Scope, slot.Check);
        while (FSlots[k].Decl >= 0)
            k = (k + 1) & (FSlots.size() - 1);
        FSlots[k] = slot;
    }
    void Grow() {
        std::vector<TSlot> old(std::max<size_t>(16, 2 * FSlots.size()));
        old.swap(FSlots);
        FShift = 64 - std::countr_zero(FSlots.size());
        for (const TSlot& slot : old)
            if (slot.Decl >= 0)
                Place(slot);
    }

    std::vector<TSlot> FSlots; // a power of two, never more than half full
    size_t FCount = 0;
    int FShift = 64;
};

struct TXrefUnit {
    QString Name; // the unit's or program's name as declared; empty when none
    std::vector<TDecl> Decls;
    std::vector<TScope> Scopes;
    int Interface = -1, Implementation = -1, Main = -1; // section scopes
    TNameIndex Index;
    // The text the declarations' names, ids and titles view: a unit has thousands of each, made
    // and let go as one allocation instead. Never changed once made.
    QString Strings;

    int Find(int scope, const THashedName& name) const { return Index.Find(Decls, scope, name); }
};

struct TParsedSource {
    TXrefUnit Unit;
    std::vector<TSite> Sites;
    std::vector<QString> Names; // the sites' names in lower case, each once, after the empty one
    std::vector<TWith> Withs;
};

struct TXrefSource;

// Reads the declarations, scopes and names of a tokenized source.
TParsedSource ParseXrefSource(const TXrefSource& source);
