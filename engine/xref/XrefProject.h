#pragma once
// Every source of a run as the cross-reference knows it, and the resolution of names against
// them: what the compiler would bind a name to, or nothing when the answer is not certain.

#include "XrefModel.h"

#include <QString>
#include <vector>

struct TXrefRef {
    int Unit = -1;
    int Decl = -1;
    bool IsValid() const { return Unit >= 0; }
    bool operator==(const TXrefRef&) const = default;
};

// A name of a page linked to a declaration.
struct TXrefLink {
    int Line = 0, Ordinal = 0;
    int Column = 0, Length = 0; // where the name stands in its line, as TSite's
    TXrefRef Target;
};

class TXrefProject {
public:
    // Adds a source; `path` is its absolute path. Returns its number.
    int Add(TXrefUnit unit, const QString& path);
    // Binds the uses clauses and ancestors once every source is added.
    void Link();

    int Count() const { return int(FUnits.size()); }
    // Lets go of every source's tables, `threads` at once.
    void Release(int threads);
    const TXrefUnit& Unit(int i) const { return FUnits[size_t(i)].Model; }
    const TDecl& Decl(TXrefRef r) const { return Unit(r.Unit).Decls[size_t(r.Decl)]; }

    // The links of the names of source `unit`, as its parse found them, in order.
    std::vector<TXrefLink> Resolve(int unit, const std::vector<TSite>& sites,
                                   const std::vector<QString>& names,
                                   const std::vector<TWith>& withs) const;

    // The source that `lower` (a name in a uses clause of source `from`, with its `in`
    // path) names, or -1.
    int UsedUnit(int from, const QString& lower, const QString& inPath) const;

private:
    struct TFound {
        TXrefRef Ref;
        bool Unknown = false; // the name may be a member of something outside the run
        bool Loose = false;   // a routine none of whose overloads takes the call's arguments
        bool Hidden = false;  // Unknown as a class's ancestor lies outside the run
        bool Unfit = false;   // the first of routines none of which takes the arguments
        // A declaration of the name after the place looked from was passed over: the answer
        // holds for that place only.
        bool Later = false;
        bool Done() const { return Ref.IsValid() || Unknown; }
    };
    // Where a class's members go on: its ancestor's members, the implicit root, nothing,
    // or somewhere outside the run.
    struct TAncestor {
        enum class TKind { None, Root, Members, Unknown } Kind = TKind::None;
        int Unit = -1, Scope = -1;
    };
    // What one page's resolution learns once and asks again: a page names the same few
    // hundred things thousands of times.
    struct TResolveCache;
    struct TSource {
        TXrefUnit Model;
        QString Folder;                     // absolute
        QString LowerPath;                  // absolute, lower case
        QString LowerName;                  // the unit's or program's name, lower case
        std::vector<std::vector<int>> Uses; // per scope: the sources its uses clause names
        std::vector<TAncestor> Ancestors;   // per scope
        int System = -1;
        // A bit per hash of each name its interface declares: most names a page looks for in
        // the units it uses are not there, and are told so without a lookup.
        std::vector<quint64> Exported;
        bool MayExport(const THashedName& name) const {
            const size_t bit = (name.Hash() >> 32) & (Exported.size() * 64 - 1);
            return Exported[bit / 64] >> (bit % 64) & 1;
        }
    };

    // A lookup outwards: whether it ends at `found`, keeping the first routine that takes
    // none of the call's arguments in `loose`; then what it binds to.
    static bool Stops(const TFound& found, TFound& loose);
    TFound Settle(const TFound& found, const TFound& loose) const;
    bool IsRoutine(TXrefRef ref) const;
    bool OwnName(int unit, int owner, const THashedName& name) const;
    TFound FindIn(int unit, int scope, const THashedName& name, int seq, int args) const;
    // The same from `decl`, the first of the name in its scope.
    TFound FindFrom(int unit, int decl, int seq, int args) const;
    TFound FindMember(int unit, int scope, const THashedName& name, int args, int depth = 0) const;
    // The same, asked once a page for each class, name and argument count.
    TFound Member(int unit, int scope, const THashedName& name, int args,
                  TResolveCache* cache) const;
    TFound Lexical(int unit, int scope, const THashedName& name, int seq, int args,
                   TResolveCache* cache = nullptr) const;
    // The same, asked once a page for each scope, name and argument count.
    TFound Lookup(int unit, int scope, const THashedName& name, int seq, int args,
                  TResolveCache* cache) const;
    TFound Section(int unit, int scope, const THashedName& name, int seq, int args,
                   TResolveCache* cache) const;
    TFound SectionLookup(int unit, int scope, const THashedName& name, int seq, int args,
                         TResolveCache* cache) const;
    // A section's lookup, one unit's declarations at a time. The overloads of a call to a
    // routine declared "overload" are gathered from every unit in reach: a second one that
    // takes its arguments makes it undecided, while one of the same parameters is hidden by
    // the nearer.
    struct TSectionLookup {
        TFound Loose, Fit, Result;
        bool Later = false; // as TFound's
    };
    // Whether the lookup ends in scope `s` of source `u`, with its result.
    bool Visit(TSectionLookup& lookup, int u, int s, const THashedName& name, int since,
               int args) const;
    // Past a section's own declarations: its used units, System, the unit names.
    TFound UsedUnits(TSectionLookup& lookup, int unit, int scope, const THashedName& name,
                     int args) const;
    TFound UnitNamed(int unit, int scope, const THashedName& name) const;
    // The members of what `ref` is or holds once `strip` "^" or "[ ]" are applied to it.
    TAncestor MembersOf(TXrefRef ref, int depth = 0, int strip = 0,
                        TResolveCache* cache = nullptr) const;
    TAncestor TypeMembers(int unit, int scope, const TTypeRef& type, int depth, int strip = 0,
                          TResolveCache* cache = nullptr) const;
    TAncestor ResolveAncestor(int unit, int scope, int depth);
    // What "Result" or "Self" at `site` stands for: a routine or a class; none when unknown.
    TXrefRef ImplicitOf(int unit, const TSite& site, const QString& lower) const;
    int UnitDecl(int unit) const;

    std::vector<TSource> FUnits;
    QHash<QString, std::vector<int>> FByName; // lower unit name -> sources in order
    QHash<QString, int> FByPath;              // lower absolute path -> source
};
