#include "XrefProject.h"

#include "FlatTable.h"
#include "WordSet.h"
#include "Workers.h"

#include <QFileInfo>
#include <algorithm>
#include <bit>
#include <climits>
#include <utility>

namespace {

// The members every class or interface has from its implicit root, which no source of a
// run declares: a name among them is never linked to something else.
bool IsRootMember(const QString& lower) {
    static const TWordSet names = {"create",
                                   "destroy",
                                   "free",
                                   "classname",
                                   "classnameis",
                                   "classtype",
                                   "classinfo",
                                   "classparent",
                                   "instancesize",
                                   "inheritsfrom",
                                   "methodaddress",
                                   "methodname",
                                   "fieldaddress",
                                   "afterconstruction",
                                   "beforedestruction",
                                   "dispatch",
                                   "dispatchstr",
                                   "defaulthandler",
                                   "newinstance",
                                   "freeinstance",
                                   "safecallexception",
                                   "initinstance",
                                   "cleanupinstance",
                                   "getinterface",
                                   "getinterfacebystr",
                                   "getinterfaceentry",
                                   "getinterfaceentrybystr",
                                   "getinterfacetable",
                                   "getinterfaceweak",
                                   "unitname",
                                   "equals",
                                   "gethashcode",
                                   "tostring",
                                   "queryinterface",
                                   "_addref",
                                   "_release"};
    return names.contains(lower);
}

// The implicit roots when written as an ancestor: "class(TObject)" is "class".
bool IsRootName(const QString& lower) {
    static const TWordSet names = {"tobject",           "system.tobject", "iinterface",
                                   "system.iinterface", "iunknown",       "system.iunknown"};
    return names.contains(lower);
}

constexpr int kMaxDepth = 32;
constexpr int kMaxSteps = 10000; // scopes passed outwards in one lookup

} // namespace

int TXrefProject::Add(TXrefUnit unit, const QString& path) {
    TSource source;
    source.Model = std::move(unit);
    const QFileInfo info(path);
    source.Folder = info.path();
    source.LowerPath = path.toLower();
    source.LowerName = source.Model.Name.toLower();
    const int index = int(FUnits.size());
    FByPath.insert(source.LowerPath, index);
    if (source.Model.Interface >= 0)
        FByName[info.completeBaseName().toLower()].push_back(index);
    FUnits.push_back(std::move(source));
    return index;
}

void TXrefProject::Release(int threads) {
    RunOnWorkers(FUnits.size(), threads, [this](size_t u) { FUnits[u] = {}; });
}

int TXrefProject::UsedUnit(int from, const QString& lower, const QString& inPath) const {
    // As the compiler takes it: the file `in 'path'` names, else a unit beside the source,
    // else the first in path order.
    const TSource& source = FUnits[size_t(from)];
    if (!inPath.isEmpty() && !inPath.contains(QChar(0))) { // no file has a NUL in its name
        QString path = inPath;
        path.replace(u'\\', u'/');
        const auto found =
            FByPath.constFind(QFileInfo(source.Folder + u'/' + path).absoluteFilePath().toLower());
        if (found != FByPath.cend() && FUnits[size_t(*found)].Model.Interface >= 0)
            return *found;
    }
    const auto named = FByName.constFind(lower);
    if (named == FByName.cend() || named->empty())
        return -1;
    for (const int k : *named)
        if (FUnits[size_t(k)].Folder == source.Folder)
            return k;
    return named->front();
}

void TXrefProject::Link() {
    for (size_t u = 0; u < FUnits.size(); ++u) {
        TSource& source = FUnits[u];
        const auto& scopes = source.Model.Scopes;
        source.Uses.assign(scopes.size(), {});
        for (size_t s = 0; s < scopes.size(); ++s)
            for (const TUsedUnit& used : scopes[s].Uses)
                source.Uses[s].push_back(UsedUnit(int(u), used.Lower, used.InPath));
        const int system = UsedUnit(int(u), QStringLiteral("system"), {});
        source.System = system == int(u) ? -1 : system;
        source.Ancestors.assign(scopes.size(), {});
        // Eight bits or more for each name, a power of two of them.
        const int exported = source.Model.Interface;
        const auto& decls = source.Model.Decls;
        const size_t count =
            size_t(std::count_if(decls.begin(), decls.end(),
                                 [exported](const TDecl& decl) { return decl.Scope == exported; }));
        source.Exported.assign(std::bit_ceil(std::max<size_t>(count / 8, 1)), 0);
        for (const TDecl& decl : decls)
            if (decl.Scope == exported) {
                const size_t bit = (NameHash(decl.Lower) >> 32) & (source.Exported.size() * 64 - 1);
                source.Exported[bit / 64] |= quint64(1) << (bit % 64);
            }
    }
    // Ancestors may lie in any source: resolved once all are known, each at most once.
    for (size_t u = 0; u < FUnits.size(); ++u)
        for (size_t s = 0; s < FUnits[u].Model.Scopes.size(); ++s)
            ResolveAncestor(int(u), int(s), 0);
}

TXrefProject::TAncestor TXrefProject::ResolveAncestor(int unit, int scope, int depth) {
    TSource& source = FUnits[size_t(unit)];
    const TScope& sc = source.Model.Scopes[size_t(scope)];
    TAncestor& slot = source.Ancestors[size_t(scope)];
    if (sc.Kind != TScopeKind::Members || sc.Ancestors.isEmpty())
        return slot; // None
    if (slot.Unit == -2 || slot.Kind != TAncestor::TKind::None)
        return slot.Unit == -2 ? TAncestor{TAncestor::TKind::Unknown, -1, -1} : slot;
    if (depth > kMaxDepth)
        return {TAncestor::TKind::Unknown, -1, -1};
    if (sc.Ancestors.front() == u"-") {
        slot.Kind = TAncestor::TKind::Root;
        return slot;
    }
    slot.Unit = -2; // being resolved: a cycle ends here
    TTypeRef type;
    type.Name = sc.Ancestors.front();
    // Ancestors of the classes the lookup passes through are resolved first.
    for (int s = sc.Outer; s >= 0; s = source.Model.Scopes[size_t(s)].Outer)
        if (source.Model.Scopes[size_t(s)].Kind == TScopeKind::Members)
            ResolveAncestor(unit, s, depth + 1);
    TAncestor result = TypeMembers(unit, sc.Outer, type, depth);
    if (result.Kind == TAncestor::TKind::Members)
        ResolveAncestor(result.Unit, result.Scope, depth + 1);
    else if (IsRootName(type.Name))
        result.Kind = TAncestor::TKind::Root; // written out, and no source of the run declares it
    else
        result = {TAncestor::TKind::Unknown, -1, -1};
    FUnits[size_t(unit)].Ancestors[size_t(scope)] = result;
    return result;
}

int TXrefProject::UnitDecl(int unit) const {
    const auto& decls = Unit(unit).Decls;
    for (size_t d = 0; d < decls.size(); ++d)
        if (decls[d].Scope == 0)
            return int(d);
    return -1;
}

inline TXrefProject::TFound TXrefProject::FindIn(int unit, int scope, const THashedName& name,
                                                 int seq, int args) const {
    // Most lookups find nothing: told without a call.
    const int d = scope < 0 ? -1 : Unit(unit).Find(scope, name);
    return d < 0 ? TFound{} : FindFrom(unit, d, seq, args);
}

TXrefProject::TFound TXrefProject::FindFrom(int unit, int d, int seq, int args) const {
    const TXrefUnit& model = Unit(unit);
    const int given = std::max(args, 0);
    int first = -1, fits = -1;
    bool later = false;
    const auto found = [&later](TFound f) {
        f.Later = later;
        return f;
    };
    for (; d >= 0; d = model.Decls[size_t(d)].NextSame) {
        const TDecl& decl = model.Decls[size_t(d)];
        if (seq >= 0 && decl.Seq > seq && decl.Kind != TDeclKind::Type) {
            later = true;
            continue;
        }
        const bool routine = decl.Kind == TDeclKind::Routine || decl.Kind == TDeclKind::Method;
        if (first < 0) {
            first = d;
            if (!routine)
                return found({{unit, d}, false});
        }
        if (routine && decl.Params - decl.Defaults <= given && given <= decl.Params) {
            // Overloads that take as many arguments differ by their types, not followed.
            if (fits >= 0)
                return found({{}, true});
            fits = d;
        }
    }
    if (fits >= 0)
        return found({{unit, fits}, false});
    if (first < 0)
        return found({});
    // A call none of them takes may be meant for an overload further out; a name without
    // brackets may be the routine itself, not a call.
    return found({{unit, first}, false, args >= 0, false, true});
}

TXrefProject::TFound TXrefProject::FindMember(int unit, int scope, const THashedName& name,
                                              int args, int depth) const {
    if (depth > kMaxDepth)
        return {{}, true};
    TFound own = FindIn(unit, scope, name, -1, args);
    // Only a method declared "overload" lets the ancestors' of its name be called.
    if (own.Done() && (!own.Unfit || (!own.Loose && !Decl(own.Ref).Overload)))
        return own;
    TFound further{{}, true, false, true};
    const TAncestor& ancestor = FUnits[size_t(unit)].Ancestors[size_t(scope)];
    switch (ancestor.Kind) {
    case TAncestor::TKind::None:
        further = {};
        break;
    case TAncestor::TKind::Root:
        further = IsRootMember(name.Lower) ? TFound{{}, true} : TFound{};
        break;
    case TAncestor::TKind::Members:
        further = FindMember(ancestor.Unit, ancestor.Scope, name, args, depth + 1);
        break;
    case TAncestor::TKind::Unknown:
        break;
    }
    if (own.Loose)
        return Settle(further, own);
    if (!own.Unfit)
        return further;
    // A name without arguments that no overload here takes: an ancestor's that does, else
    // the first here, unless an ancestor lies outside the run.
    if (further.Ref.IsValid() && !further.Unfit && IsRoutine(further.Ref))
        return further;
    return further.Unknown ? TFound{{}, true} : own;
}

inline bool TXrefProject::Stops(const TFound& found, TFound& loose) {
    if (!found.Loose)
        return found.Done();
    if (!loose.Ref.IsValid())
        loose = found;
    return false;
}

inline TXrefProject::TFound TXrefProject::Settle(const TFound& found, const TFound& loose) const {
    if (!loose.Ref.IsValid())
        return found;
    // Past a routine that takes none of the call's arguments only an overload that does
    // is certain.
    if (found.Ref.IsValid() && !found.Loose && IsRoutine(found.Ref))
        return found;
    return {{}, true};
}

TXrefProject::TFound TXrefProject::UnitNamed(int unit, int scope, const THashedName& name) const {
    const TSource& source = FUnits[size_t(unit)];
    if (source.LowerName == name.Lower)
        return {{unit, UnitDecl(unit)}, false};
    for (int s = scope; s >= 0; s = source.Model.Scopes[size_t(s)].Outer) {
        const auto& uses = source.Model.Scopes[size_t(s)].Uses;
        for (size_t k = 0; k < uses.size(); ++k) {
            const int used = source.Uses[size_t(s)][k];
            if (uses[k].Lower == name.Lower && used >= 0 && UnitDecl(used) >= 0)
                return {{used, UnitDecl(used)}, false};
        }
    }
    return {};
}

struct TXrefProject::TResolveCache {
    // Sized for the page's names, as far as real pages ask: grown past that.
    explicit TResolveCache(size_t sites)
        : Tails(sites / 32), Lexicals(sites / 4), Sections(sites / 16), Members(sites / 8) {}

    // A name is told, and hashed, by its text's address: the names of a page's sites share
    // their source's one copy of each, alive while the page is resolved, and declarations'
    // names live longer.
    struct TTail {
        const QChar* Name = nullptr;
        int Scope = 0, Args = 0;
        int Unit = -1; // of the scope
        bool operator==(const TTail&) const = default;
    };
    static std::pair<TTail, size_t> Key(const THashedName& name, int scope, int args, int unit) {
        const QChar* text = name.Lower.constData();
        return {{text, scope, args, unit},
                (quintptr(text) ^ size_t(scope) << 32 ^ size_t(args + 1) << 48 ^
                 size_t(unit + 1) << 20) *
                    0x9E3779B97F4A7C15ull};
    }
    TFlatTable<TTail, TFound> Tails;
    // Whole lookups from a scope outwards, each with the place it was made from: it holds
    // for every later place unless a declaration after that place was passed over.
    struct TLexical {
        TFound Found;
        int Seq = -1; // -1: none kept
    };
    TFlatTable<TTail, TLexical> Lexicals;
    TFlatTable<TTail, TLexical>
        Sections;                      // the same from a section: every routine's lookups end there
    TFlatTable<TTail, TFound> Members; // a class's, by its source too
    bool Later = false;                // the lookup under way passed over a later declaration

    // The lookup from place `seq` that `table` keeps, or else the one `lookup` makes, then kept
    // unless it passed over a later declaration.
    template <typename TLookup>
    TFound Kept(TFlatTable<TTail, TLexical>& table, const THashedName& name, int scope, int args,
                int unit, int seq, TLookup lookup) {
        const auto [key, hash] = Key(name, scope, args, unit);
        const auto [kept, added] = table.Insert(key, hash);
        if (!added && kept.Seq >= 0 && kept.Seq <= seq)
            return kept.Found;
        const bool later = std::exchange(Later, false);
        const TFound found = lookup();
        if (!Later)
            kept = {found, seq};
        Later = Later || later;
        return found;
    }
    TFlatTable<quint64, TAncestor> Types; // by source, declaration and steps
};

inline TXrefProject::TFound TXrefProject::Member(int unit, int scope, const THashedName& name,
                                                 int args, TResolveCache* cache) const {
    if (!cache)
        return FindMember(unit, scope, name, args);
    const auto [key, hash] = TResolveCache::Key(name, scope, args, unit);
    const auto [kept, added] = cache->Members.Insert(key, hash);
    if (added)
        kept = FindMember(unit, scope, name, args);
    return kept;
}

inline bool TXrefProject::Visit(TSectionLookup& lookup, int u, int s, const THashedName& name,
                                int since, int args) const {
    const TFound found = FindIn(u, s, name, since, args);
    lookup.Later = lookup.Later || found.Later;
    if (lookup.Fit.Ref.IsValid()) {
        if (found.Unknown || (found.Ref.IsValid() && !found.Loose && IsRoutine(found.Ref) &&
                              Decl(found.Ref).Signature != Decl(lookup.Fit.Ref).Signature)) {
            lookup.Result = {{}, true};
            return true;
        }
        return false;
    }
    if (!Stops(found, lookup.Loose))
        return false;
    if (args >= 0 && found.Ref.IsValid() && IsRoutine(found.Ref) && Decl(found.Ref).Overload) {
        lookup.Fit = found;
        return false;
    }
    lookup.Result = Settle(found, lookup.Loose);
    return true;
}

inline TXrefProject::TFound TXrefProject::Section(int unit, int scope, const THashedName& name,
                                                  int seq, int args, TResolveCache* cache) const {
    if (!cache)
        return SectionLookup(unit, scope, name, seq, args, cache);
    return cache->Kept(cache->Sections, name, scope, args, unit, seq,
                       [&] { return SectionLookup(unit, scope, name, seq, args, cache); });
}

TXrefProject::TFound TXrefProject::SectionLookup(int unit, int scope, const THashedName& name,
                                                 int seq, int args, TResolveCache* cache) const {
    const TXrefUnit& model = FUnits[size_t(unit)].Model;
    // The section, the interface of an implementation, then the used units.
    TSectionLookup lookup;
    const bool ended = Visit(lookup, unit, scope, name, seq, args);
    if (cache && lookup.Later)
        cache->Later = true;
    if (ended)
        return lookup.Result;
    const bool implementation = model.Scopes[size_t(scope)].Kind == TScopeKind::Implementation;
    if (implementation && Visit(lookup, unit, model.Interface, name, -1, args))
        return lookup.Result;
    // Where the unit's own declarations said nothing, the rest depends on the name alone.
    if (!cache || lookup.Loose.Ref.IsValid() || lookup.Fit.Ref.IsValid())
        return UsedUnits(lookup, unit, scope, name, args);
    const auto [key, hash] = TResolveCache::Key(name, scope, args, unit);
    const auto [tail, added] = cache->Tails.Insert(key, hash);
    if (added)
        tail = UsedUnits(lookup, unit, scope, name, args);
    return tail;
}

TXrefProject::TFound TXrefProject::UsedUnits(TSectionLookup& lookup, int unit, int scope,
                                             const THashedName& name, int args) const {
    const TSource& source = FUnits[size_t(unit)];
    const TXrefUnit& model = source.Model;
    // From the last named to the first (an implementation's before the interface's), then
    // System.
    const bool implementation = model.Scopes[size_t(scope)].Kind == TScopeKind::Implementation;
    for (const int s : {scope, implementation ? model.Interface : -1}) {
        if (s < 0)
            continue;
        const auto& used = source.Uses[size_t(s)];
        for (auto k = used.rbegin(); k != used.rend(); ++k)
            if (*k >= 0 && FUnits[size_t(*k)].MayExport(name) &&
                Visit(lookup, *k, Unit(*k).Interface, name, -1, args))
                return lookup.Result;
    }
    if (source.System >= 0 && FUnits[size_t(source.System)].MayExport(name) &&
        Visit(lookup, source.System, Unit(source.System).Interface, name, -1, args))
        return lookup.Result;
    if (lookup.Fit.Ref.IsValid())
        return lookup.Fit;
    return Settle(UnitNamed(unit, scope, name), lookup.Loose);
}

inline bool TXrefProject::OwnName(int unit, int owner, const THashedName& name) const {
    // In its own body a routine's name without arguments is its result, or a call of itself,
    // unless an overload beside it takes no arguments: that one would be called.
    if (owner < 0 || !IsRoutine({unit, owner}))
        return false;
    const TXrefUnit& model = Unit(unit);
    const TDecl& decl = model.Decls[size_t(owner)];
    if (decl.Lower != name.Lower)
        return false;
    for (int d = model.Find(decl.Scope, name); d >= 0; d = model.Decls[size_t(d)].NextSame)
        if (d != owner && model.Decls[size_t(d)].Params - model.Decls[size_t(d)].Defaults <= 0)
            return false;
    return true;
}

inline bool TXrefProject::IsRoutine(TXrefRef ref) const {
    const TDeclKind kind = Decl(ref).Kind;
    return kind == TDeclKind::Routine || kind == TDeclKind::Method;
}

inline TXrefProject::TFound TXrefProject::Lookup(int unit, int scope, const THashedName& name,
                                                 int seq, int args, TResolveCache* cache) const {
    if (!cache)
        return Lexical(unit, scope, name, seq, args);
    // Lookups come in the order of their places: one made once holds for the later ones. One
    // from no place in particular sees every declaration, as from after the last.
    const int at = seq < 0 ? INT_MAX : seq;
    return cache->Kept(cache->Lexicals, name, scope, args, unit, at,
                       [&] { return Lexical(unit, scope, name, at, args, cache); });
}

TXrefProject::TFound TXrefProject::Lexical(int unit, int scope, const THashedName& name, int seq,
                                           int args, TResolveCache* cache) const {
    const TXrefUnit& model = Unit(unit);
    TFound loose;
    // Past a class whose ancestor lies outside the run only a type is certain: the classes
    // outside declare members, not types of the names a run gives its own.
    bool hidden = false;
    const auto settle = [&](const TFound& found) {
        const TFound result = Settle(found, loose);
        if (hidden && result.Ref.IsValid() && Decl(result.Ref).Kind != TDeclKind::Type)
            return TFound{{}, true};
        return result;
    };
    const auto member = [&](int members) {
        const TFound found = Member(unit, members, name, args, cache);
        hidden = hidden || found.Hidden;
        return found.Hidden ? TFound{} : found;
    };
    for (int s = scope, steps = 0; s >= 0; ++steps) {
        if (steps > kMaxSteps)
            return {{}, true};
        const TScope& sc = model.Scopes[size_t(s)];
        switch (sc.Kind) {
        case TScopeKind::File:
            return settle({});
        case TScopeKind::Interface:
        case TScopeKind::Implementation:
        case TScopeKind::Program:
            return settle(Section(unit, s, name, seq, args, cache));
        case TScopeKind::Members: {
            const TFound found = member(s);
            if (Stops(found, loose))
                return settle(found);
            break;
        }
        case TScopeKind::Routine: {
            TFound found = FindIn(unit, s, name, seq, args);
            if (cache && found.Later)
                cache->Later = true;
            if (Stops(found, loose))
                return settle(found);
            if (args < 0 && OwnName(unit, sc.Owner, name))
                return settle({{unit, sc.Owner}, false});
            if (sc.Class == -2)
                return {{}, true};
            for (int c = sc.Class; c >= 0 && model.Scopes[size_t(c)].Kind == TScopeKind::Members;
                 c = model.Scopes[size_t(c)].Outer) {
                found = member(c);
                if (Stops(found, loose))
                    return settle(found);
            }
            break;
        }
        }
        s = sc.Outer;
    }
    return settle({});
}

TXrefProject::TAncestor TXrefProject::TypeMembers(int unit, int scope, const TTypeRef& type,
                                                  int depth, int strip,
                                                  TResolveCache* cache) const {
    // Each "^" or "[ ]" written takes one of the type's own steps, then those of the type
    // it names; members are reached when none is left over on either side.
    if (type.Indirections > strip || depth > kMaxDepth)
        return {};
    strip -= type.Indirections;
    if (type.Members >= 0)
        return strip == 0 ? TAncestor{TAncestor::TKind::Members, unit, type.Members} : TAncestor{};
    if (type.Name.isEmpty())
        return {};
    // Nearly every type is named by one word: split only a dotted one. Only the names the
    // declarations keep are told apart by their address in the page's cache.
    const bool dotted = type.Name.contains(u'.');
    const QStringList parts = dotted ? type.Name.split(u'.') : QStringList{type.Name};
    TFound found = dotted ? Lexical(unit, scope, parts.front(), -1, -1)
                          : Lookup(unit, scope, type.Name, -1, -1, cache);
    for (qsizetype k = 1; k < parts.size() && found.Ref.IsValid(); ++k) {
        const TDecl& decl = Decl(found.Ref);
        if (decl.Scope != 0)
            return {};
        const int x = found.Ref.Unit;
        found = FindIn(x, Unit(x).Interface, parts[k], -1, -1);
    }
    if (!found.Ref.IsValid())
        return {TAncestor::TKind::Unknown, -1, -1};
    const TDecl& decl = Decl(found.Ref);
    if (decl.Kind != TDeclKind::Type)
        return {TAncestor::TKind::Unknown, -1, -1};
    return MembersOf(found.Ref, depth + 1, strip, cache);
}

TXrefProject::TAncestor TXrefProject::MembersOf(TXrefRef ref, int depth, int strip,
                                                TResolveCache* cache) const {
    const TDecl& decl = Decl(ref);
    switch (decl.Kind) {
    case TDeclKind::Type:
        if (decl.Inner >= 0 &&
            Unit(ref.Unit).Scopes[size_t(decl.Inner)].Kind == TScopeKind::Members &&
            decl.What != TDeclWhat::Type)
            return strip == 0 ? TAncestor{TAncestor::TKind::Members, ref.Unit, decl.Inner}
                              : TAncestor{};
        return TypeMembers(ref.Unit, decl.Scope, decl.Type, depth, strip, cache);
    case TDeclKind::Property:
        // An indexed property takes the first "[ ]" itself.
        if (decl.Params > 0) {
            if (strip == 0)
                return {};
            --strip;
        }
        return TypeMembers(ref.Unit, decl.Scope, decl.Type, depth, strip, cache);
    case TDeclKind::Method:
        // A constructor gives an object of its class.
        if (decl.What == TDeclWhat::Constructor &&
            Unit(ref.Unit).Scopes[size_t(decl.Scope)].Kind == TScopeKind::Members)
            return strip == 0 ? TAncestor{TAncestor::TKind::Members, ref.Unit, decl.Scope}
                              : TAncestor{};
        return TypeMembers(ref.Unit, decl.Scope, decl.Type, depth, strip, cache);
    case TDeclKind::Variable:
    case TDeclKind::Field:
    case TDeclKind::Parameter:
    case TDeclKind::Constant:
    case TDeclKind::Routine:
        return TypeMembers(ref.Unit, decl.Scope, decl.Type, depth, strip, cache);
    default:
        return {};
    }
}

TXrefRef TXrefProject::ImplicitOf(int unit, const TSite& site, const QString& lower) const {
    // "Self" is the class of the method around; "Result" the innermost routine, whose type
    // its members are reached through.
    const TXrefUnit& model = Unit(unit);
    const bool self = lower == u"self";
    for (int s = site.Scope, steps = 0; s >= 0 && steps < kMaxSteps;
         s = model.Scopes[size_t(s)].Outer, ++steps) {
        const TScope& sc = model.Scopes[size_t(s)];
        if (sc.Kind != TScopeKind::Routine)
            return {};
        if (self && sc.Class >= 0) {
            const int owner = model.Scopes[size_t(sc.Class)].Owner;
            return owner >= 0 ? TXrefRef{unit, owner} : TXrefRef{};
        }
        if (!self) {
            if (sc.Owner < 0)
                return {};
            const TTypeRef& type = model.Decls[size_t(sc.Owner)].Type;
            return type.Name.isEmpty() && type.Members < 0 ? TXrefRef{} : TXrefRef{unit, sc.Owner};
        }
    }
    return {};
}

std::vector<TXrefLink> TXrefProject::Resolve(int unit, const std::vector<TSite>& sites,
                                             const std::vector<QString>& names,
                                             const std::vector<TWith>& withs) const {
    std::vector<TXrefLink> links;
    links.reserve(sites.size()); // most names are linked: room given once
    std::vector<TXrefRef> resolved(sites.size());
    const TXrefUnit& model = Unit(unit);
    TResolveCache cache(sites.size());
    // Sites come in the order of their places: a lookup made once holds for the later ones.
    const auto nameOf = [&names](const TSite& site) -> const QString& {
        return names[size_t(site.Name)];
    };
    std::vector<size_t> hashes(names.size()); // of each name, once one of its lookups needs it
    const auto hashedOf = [&](const TSite& site) {
        return THashedName(nameOf(site), &hashes[size_t(site.Name)]);
    };
    const auto membersOf = [&](TXrefRef ref, int steps) {
        const quint64 key = quint64(ref.Unit) << 40 | quint64(ref.Decl) << 8 | quint64(steps);
        const auto [members, added] = cache.Types.Insert(key, key);
        if (added)
            members = MembersOf(ref, 0, steps, &cache);
        return members;
    };
    // The innermost "with" around the site at hand, followed as the sites come: their bodies
    // are runs of sites, in the order they open. Looked at again where one opens or ends.
    int with = -1;
    size_t opened = 0, change = 0;
    auto withLookup = [&](const TSite& site) -> TFound {
        for (int w = with; w >= 0; w = withs[size_t(w)].Outer) {
            const auto& subjects = withs[size_t(w)].Subjects;
            for (auto k = subjects.rbegin(); k != subjects.rend(); ++k) {
                if (*k < 0 || !resolved[size_t(*k)].IsValid())
                    return {{}, true};
                const TAncestor members = membersOf(resolved[size_t(*k)], 0);
                if (members.Kind != TAncestor::TKind::Members)
                    return {{}, true};
                const TFound found =
                    Member(members.Unit, members.Scope, hashedOf(site), site.Args, &cache);
                if (found.Done())
                    return found;
            }
        }
        return {};
    };
    for (size_t i = 0; i < sites.size(); ++i) {
        if (i == change) {
            while (with >= 0 && size_t(withs[size_t(with)].End) <= i)
                with = withs[size_t(with)].Outer;
            for (; opened < withs.size() && size_t(withs[opened].Begin) <= i; ++opened)
                if (size_t(withs[opened].End) > i)
                    with = int(opened);
            change = std::min(with >= 0 ? size_t(withs[size_t(with)].End) : sites.size(),
                              opened < withs.size() ? size_t(withs[opened].Begin) : sites.size());
        }
        const TSite& site = sites[i];
        TFound found;
        switch (site.Role) {
        case TSite::TRole::Preset:
            if (site.Target >= 0)
                found.Ref = {unit, site.Target};
            break;
        case TSite::TRole::UnitName: {
            // The uses clause was bound once for the whole run.
            const int used = FUnits[size_t(unit)].Uses[size_t(site.Scope)][size_t(site.Target)];
            if (used >= 0 && UnitDecl(used) >= 0)
                found.Ref = {used, UnitDecl(used)};
            break;
        }
        case TSite::TRole::Lexical:
            if (with >= 0)
                found = withLookup(site);
            if (!found.Done())
                found = Lookup(unit, site.Scope, hashedOf(site), site.Seq, site.Args, &cache);
            break;
        case TSite::TRole::Qualified: {
            const TXrefRef prev = site.Target >= 0 ? resolved[size_t(site.Target)] : TXrefRef{};
            if (!prev.IsValid())
                break;
            const TDecl& decl = Decl(prev);
            if (decl.Scope == 0) {
                const TXrefUnit& target = Unit(prev.Unit);
                if (prev.Unit == unit && target.Implementation >= 0)
                    found = FindIn(unit, target.Implementation, hashedOf(site), -1, site.Args);
                if (!found.Done())
                    found =
                        FindIn(prev.Unit, target.Interface >= 0 ? target.Interface : target.Main,
                               hashedOf(site), -1, site.Args);
                break;
            }
            const TAncestor members = membersOf(prev, site.Steps);
            if (members.Kind == TAncestor::TKind::Members)
                found = Member(members.Unit, members.Scope, hashedOf(site), site.Args, &cache);
            break;
        }
        case TSite::TRole::Member:
            found = Member(unit, site.Scope, hashedOf(site), site.Args, &cache);
            break;
        case TSite::TRole::Implicit:
            found.Ref = ImplicitOf(unit, site, nameOf(site));
            break;
        case TSite::TRole::Inherited: {
            int s = site.Scope;
            while (s >= 0 && !(model.Scopes[size_t(s)].Kind == TScopeKind::Routine &&
                               model.Scopes[size_t(s)].Class >= 0))
                s = model.Scopes[size_t(s)].Outer;
            if (s < 0)
                break;
            const TScope& body = model.Scopes[size_t(s)];
            const TAncestor& ancestor = FUnits[size_t(unit)].Ancestors[size_t(body.Class)];
            if (ancestor.Kind != TAncestor::TKind::Members || body.Owner < 0)
                break;
            const TDecl& method = model.Decls[size_t(body.Owner)];
            const bool bare = site.Name == 0;
            found = Member(ancestor.Unit, ancestor.Scope, bare ? method.Lower : nameOf(site),
                           bare ? method.Params : site.Args, &cache);
            break;
        }
        }
        resolved[i] = found.Ref;
        // What stands in an include file has no place in a page: neither a link nor a target;
        // a declaration in a branch whose condition was beyond the reader may not be there.
        if (found.Ref.IsValid() && site.Sure && site.Ordinal >= 0 && found.Ref.Decl >= 0 &&
            Decl(found.Ref).Ordinal >= 0 && Decl(found.Ref).Sure)
            links.push_back({site.Line, site.Ordinal, site.Column, site.Length, found.Ref});
    }
    return links;
}
