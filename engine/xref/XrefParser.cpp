#include "XrefParser.h"

#include "WordSet.h"

#include <QStringBuilder>
#include <QVarLengthArray>
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <iterator>

namespace {

// "L" and digits, as the page's line anchors are named.
bool LooksLikeLineAnchor(QStringView id) {
    return id.size() > 1 && id[0] == u'L' &&
           std::all_of(id.begin() + 1, id.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// Counts the paths of a source's declarations whatever their letter case, as `toLower()`
// compares them. The paths lie in `text`, each counted where it is written, so none is copied.
// A path is hashed by its parts between dots, each lowered alone (toLower() lowers a character
// whatever stands around it): a declaration's path continues its owner's id, whose hash is
// not made again.
class TPathCounter {
public:
    TPathCounter(const QString& text, size_t paths)
        : FText(text), FSlots(std::bit_ceil(2 * paths + 2)) {}

    // The hash of no path, which the parts extend.
    static constexpr size_t kNoPath = 0x2545F4914F6CDD1Dull;
    // The hash of `path` extended by the part `part`, which has no dot.
    static size_t Extend(size_t path, QStringView part) { return Combine(path, PartHash(part)); }
    // The same by the parts of `text` between its dots.
    static size_t ExtendDotted(size_t path, QStringView text) {
        for (qsizetype from = 0;;) {
            const qsizetype dot = text.indexOf(u'.', from);
            path = Extend(path, text.sliced(from, (dot < 0 ? text.size() : dot) - from));
            if (dot < 0)
                return path;
            from = dot + 1;
        }
    }

    // The number of times the path at [start, start + length) of the text, of hash `hash`,
    // has been counted, this one included.
    int Count(qsizetype start, qsizetype length, size_t hash) {
        const size_t mask = FSlots.size() - 1;
        for (size_t k = hash & mask;; k = (k + 1) & mask) {
            TSlot& slot = FSlots[k];
            if (slot.Count == 0) {
                slot = {hash, start, int(length), 1};
                return 1;
            }
            if (slot.Hash == hash && SameLowered(QStringView(FText).sliced(slot.Start, slot.Length),
                                                 QStringView(FText).sliced(start, length)))
                return ++slot.Count;
        }
    }

private:
    struct TSlot {
        size_t Hash = 0;
        qsizetype Start = 0;
        int Length = 0;
        int Count = 0;
    };

    static size_t Combine(size_t path, size_t part) {
        const size_t hash = (path ^ part) * 0xD6E8FEB86659FD93ull;
        return hash ^ (hash >> 32);
    }
    // A part's hash: of the text toLower() makes of it; an ASCII one (nearly all) is hashed
    // without a lowered copy.
    static size_t PartHash(QStringView part) {
        bool ascii = true;
        const size_t hash = FoldedHash(part, &ascii);
        return ascii ? hash : FoldedHash(part.toString().toLower());
    }
    static bool IsAscii(QStringView s) {
        return std::all_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 0x80; });
    }
    static char16_t Folded(QChar c) {
        const char16_t u = c.unicode();
        return u >= 'A' && u <= 'Z' ? char16_t(u + 32) : u;
    }
    // Four units with ASCII capitals lowered, told apart in each 16-bit lane at once.
    static quint64 Folded(quint64 units) {
        constexpr quint64 kLanes = 0x0001000100010001ull;
        const quint64 low = units & 0x7FFF * kLanes;
        const quint64 fromA = low + (0x8000 - 'A') * kLanes; // a lane's top bit: from 'A' on
        const quint64 pastZ = low + (0x8000 - 'Z' - 1) * kLanes;
        const quint64 capital = fromA & ~pastZ & ~units & 0x8000 * kLanes;
        return units | capital >> 10; // the lane's top bit moved to 0x20
    }
    // The hash of the text with ASCII capitals lowered, so of the text toLower() makes of an
    // ASCII one, four units at a time; `ascii`, when given, tells whether the text is ASCII.
    static size_t FoldedHash(QStringView s, bool* ascii = nullptr) {
        const char16_t* units = s.utf16();
        size_t hash = quint64(s.size()) * 0x9E3779B97F4A7C15ull;
        quint64 any = 0;
        qsizetype i = 0;
        for (quint64 word; i + 4 <= s.size(); i += 4) {
            std::memcpy(&word, units + i, sizeof word);
            any |= word;
            hash = (hash ^ Folded(word)) * 0xFF51AFD7ED558CCDull;
            hash ^= hash >> 32;
        }
        quint64 rest = 0;
        for (; i < s.size(); ++i) {
            any |= units[i];
            rest = rest << 16 | Folded(QChar(units[i]));
        }
        hash = (hash ^ rest) * 0xC4CEB9FE1A85EC53ull;
        if (ascii)
            *ascii = (any & 0xFF80 * 0x0001000100010001ull) == 0;
        return hash ^ (hash >> 29);
    }
    static bool SameLowered(QStringView kept, QStringView path) {
        if (IsAscii(kept) && IsAscii(path))
            return kept.size() == path.size() &&
                   std::equal(kept.begin(), kept.end(), path.begin(),
                              [](QChar a, QChar b) { return Folded(a) == Folded(b); });
        return kept.toString().toLower() == path.toString().toLower();
    }

    const QString& FText;
    std::vector<TSlot> FSlots; // open addressing, at most half full
};

// The items of `room` in a list of their own exact size, leaving the room empty but for its
// capacity.
template <typename T> std::vector<T> TakeExact(std::vector<T>& room) {
    std::vector<T> exact(std::make_move_iterator(room.begin()),
                         std::make_move_iterator(room.end()));
    room.clear();
    return exact;
}

} // namespace

bool IsRoutineWord(const QString& lower) {
    return IsWord(lower, "procedure") || IsWord(lower, "function") ||
           IsWord(lower, "constructor") || IsWord(lower, "destructor") || IsWord(lower, "operator");
}

TXrefParser::TXrefParser(const TXrefSource& source)
    : FSource(source), FTokens(source.Tokens), FLines(source.Lines),
      FSameNames(TPerName<TSameNames>::OfThread()), FSiteNames(TPerName<int>::OfThread()),
      FSiteNameList(1) {}

void TXrefParser::SkipStatementEnd() {
    int depth = 0;
    while (!AtEnd()) {
        if (Sym("(") || Sym("["))
            ++depth;
        else if (Sym(")") || Sym("]"))
            --depth;
        else if (depth <= 0 && Sym(";")) {
            Skip();
            return;
        } else if (depth <= 0 && Word("end"))
            return;
        Skip();
    }
}

bool TXrefParser::IsDirective() const {
    const TXrefToken& t = Tok();
    if (!(t.Words & kXrefDirective))
        return false;
    // A field or variable may bear a directive's name.
    return !(Sym(":", 1) || Sym("=", 1) || Sym(",", 1));
}

void TXrefParser::SkipDirectives(int scope) {
    // Among a class's members "public" after a field opens a section: no directive.
    const bool inMembers = FOut.Unit.Scopes[size_t(scope)].Kind == TScopeKind::Members;
    while (IsDirective() && !AtEnd() && !(inMembers && (Tok().Words & kXrefVisibility)))
        SkipStatementEnd();
}

int TXrefParser::NewScope(TScopeKind kind, int outer, int owner) {
    TScope scope;
    scope.Kind = kind;
    scope.Outer = outer;
    scope.Owner = owner;
    FOut.Unit.Scopes.push_back(std::move(scope));
    return int(FOut.Unit.Scopes.size() - 1);
}

int TXrefParser::Declare(int scope, TDeclKind kind, size_t token) {
    const TXrefToken& t = FTokens[token];
    TXrefUnit& unit = FOut.Unit;
    const int index = int(unit.Decls.size());
    TDecl& decl = unit.Decls.emplace_back();
    // Seen in the source's text, which outlives the parse, until the name is written into the
    // unit's own text.
    decl.Name = Text(token);
    decl.Lower = QString(t.Lower()); // copied and moved in line: an assignment is a call
    decl.Kind = kind;
    decl.Scope = scope;
    decl.Line = t.Line;
    decl.Ordinal = t.Ordinal;
    decl.Column = t.Start;
    decl.Length = quint8(t.Length <= 255 ? t.Length : 0);
    decl.Seq = int(token);
    decl.Sure = t.Sure;
    // The unit's own name is found through the run's table of units, and becomes its dotted
    // whole once read: no look-up in a scope wants it.
    if (scope == 0)
        return index;
    // Every lookup walks the declarations of a name in its scope: past a number no real code
    // has, later ones keep their ids but are not found by name, and their uses stay plain.
    constexpr int kMaxSameNames = 256;
    TSameNames& same = FSameNames(t.LowerName, scope);
    if (same.Count == 0)
        unit.Index.Insert(unit.Decls, index);
    else if (same.Count < kMaxSameNames)
        unit.Decls[size_t(same.Last)].NextSame = index;
    else
        return index;
    same.Last = index;
    ++same.Count;
    return index;
}

TParsedSource TXrefParser::Parse() {
    // The declarations and scopes grow in rooms the thread keeps for the source it parses next,
    // their pages mapped already, and are kept all run, copied at their exact size.
    // A site is a name's, nearly always one that is no word of the language (Self and Result
    // are the few that are): the sites get that room at once and seldom grow, nor are copied.
    // Room for every name would hold a third more than is used, kept with the source.
    static thread_local std::vector<TDecl> declRoom;
    static thread_local std::vector<TScope> scopeRoom;
    FOut.Unit.Decls.swap(declRoom);
    FOut.Unit.Scopes.swap(scopeRoom);
    FOut.Sites.reserve(FSource.UnreservedNames + FSource.UnreservedNames / 16);
    NewScope(TScopeKind::File, -1, -1);
    UnitOrProgram();
    declRoom.swap(FOut.Unit.Decls);
    FOut.Unit.Decls = TakeExact(declRoom);
    scopeRoom.swap(FOut.Unit.Scopes);
    FOut.Unit.Scopes = TakeExact(scopeRoom);
    FOut.Names.reserve(FSiteNameList.size());
    FOut.Names.emplace_back();
    for (auto name = FSiteNameList.begin() + 1; name != FSiteNameList.end(); ++name)
        FOut.Names.push_back(**name);

    // Ids: the scope path, numbered from the second declaration of the same path on. Names,
    // ids and titles are written into the unit's one text first, then viewed from it.
    TXrefUnit& unit = FOut.Unit;
    QString& strings = unit.Strings;
    struct TSpan {
        qsizetype Start = 0, Length = -1; // -1: none
    };
    // Written in place, without a call for each piece: the room made below is never
    // exceeded, but would be grown.
    qsizetype used = 0;
    const auto make = [&strings, &used](qsizetype length) {
        if (used + length > strings.size())
            strings.resize(std::max(2 * strings.size(), used + length));
        used += length;
        return strings.data() + used - length;
    };
    const auto write = [&make](QStringView text) {
        std::copy(text.begin(), text.end(), make(text.size()));
    };
    const auto append = [&write, &used](QStringView text) {
        write(text);
        return TSpan{used - text.size(), text.size()};
    };
    const auto view = [&strings](TSpan span) {
        return span.Length < 0 ? QStringView()
                               : QStringView(strings).sliced(span.Start, span.Length);
    };
    std::vector<std::array<TSpan, 3>> spans(unit.Decls.size()); // name, id, title
    // The text's room, made once: at most an id's path, a number and a line each.
    {
        std::vector<qsizetype> paths(unit.Decls.size());
        qsizetype room = 0;
        for (size_t d = 0; d < unit.Decls.size(); ++d) {
            const TDecl& decl = unit.Decls[d];
            const TScope& scope = unit.Scopes[size_t(decl.Scope)];
            const qsizetype prefix = scope.Owner >= 0 && size_t(scope.Owner) < d
                                         ? paths[size_t(scope.Owner)]
                                         : scope.Path.size();
            paths[d] = prefix + 1 + decl.Name.size() + 12;
            room += paths[d];
            if (decl.Line >= 1 && size_t(decl.Line) <= FLines.size())
                room += std::min(FLines[size_t(decl.Line - 1)].size(), kShownLineLength);
        }
        strings.resize(room);
    }
    TPathCounter seen(strings, unit.Decls.size());
    std::vector<size_t> idHashes(unit.Decls.size());
    for (size_t d = 0; d < unit.Decls.size(); ++d) {
        const TDecl& decl = unit.Decls[d];
        const TScope& scope = unit.Scopes[size_t(decl.Scope)];
        auto& [name, id, title] = spans[d];
        // The path is written where the id goes; the name is its end.
        id.Start = used;
        size_t prefix = TPathCounter::kNoPath;
        if (scope.Owner >= 0) {
            const TSpan owner = spans[size_t(scope.Owner)][1];
            if (owner.Length > 0) {
                QChar* to = make(owner.Length + 1); // first: the text may move
                std::copy_n(strings.constData() + owner.Start, owner.Length, to);
                to[owner.Length] = u'.';
                prefix = idHashes[size_t(scope.Owner)];
            }
        } else if (!scope.Path.isEmpty()) {
            write(scope.Path);
            write(u".");
            prefix = TPathCounter::ExtendDotted(prefix, scope.Path);
        }
        name = append(decl.Name);
        id.Length = used - id.Start;
        // Only the source's own name, in the file's scope, may be dotted.
        const auto extend = [prefix, dotted = decl.Scope == 0](QStringView last) {
            return dotted ? TPathCounter::ExtendDotted(prefix, last)
                          : TPathCounter::Extend(prefix, last);
        };
        idHashes[d] = extend(decl.Name);
        const int n = seen.Count(id.Start, id.Length, idHashes[d]);
        if (n > 1 || LooksLikeLineAnchor(QStringView(strings).sliced(id.Start, id.Length))) {
            write(n > 1 ? QString(u'~' + QString::number(n)) : QStringLiteral("~1"));
            id.Length = used - id.Start;
            idHashes[d] = extend(QStringView(strings).sliced(name.Start, used - name.Start));
        }
        // Names declared in one line (parameters, a list of variables) share its text.
        if (d > 0 && unit.Decls[d - 1].Line == decl.Line)
            title = spans[d - 1][2];
        else if (decl.Line >= 1 && size_t(decl.Line) <= FLines.size())
            title = append(FLines[size_t(decl.Line - 1)].trimmed().left(kShownLineLength));
    }
    // The room made was for the longest the text could be: what it did not take is given
    // back (before the views are made: it moves the text), not kept with the source all run.
    strings.resize(used);
    strings.squeeze();
    for (size_t d = 0; d < unit.Decls.size(); ++d) {
        TDecl& decl = unit.Decls[d];
        decl.Name = view(spans[d][0]);
        decl.Id = view(spans[d][1]);
        decl.Title = view(spans[d][2]);
    }
    return std::move(FOut);
}

void TXrefParser::UnitOrProgram() {
    TXrefUnit& unit = FOut.Unit;
    const bool isUnit = Word("unit");
    if (isUnit || Word("program") || Word("library")) {
        const TDeclKind kind = isUnit            ? TDeclKind::Unit
                               : Word("program") ? TDeclKind::Program
                                                 : TDeclKind::Library;
        Skip();
        if (IsName()) {
            const int d = Declare(0, kind, FAt);
            unit.Decls[size_t(d)].Public = true;
            QString name = Text(FAt).toString();
            Skip();
            while (Sym(".") && IsName(1)) {
                name += u'.';
                name += Text(FAt + 1);
                Skip(2);
            }
            unit.Name = name;
            unit.Decls[size_t(d)].Name = unit.Name; // until written into the unit's text
            unit.Decls[size_t(d)].Lower = name.toLower();
        }
        SkipStatementEnd();
    } else if (Word("package")) {
        return;
    }
    if (isUnit) {
        Accept("interface");
        unit.Interface = NewScope(TScopeKind::Interface, 0, -1);
        Uses(unit.Interface);
        Declarations(unit.Interface, true);
        if (Accept("implementation")) {
            unit.Implementation = NewScope(TScopeKind::Implementation, unit.Interface, -1);
            Uses(unit.Implementation);
            Declarations(unit.Implementation, false);
        }
        const int code = unit.Implementation >= 0 ? unit.Implementation : unit.Interface;
        while (Accept("initialization") || Accept("finalization") || Accept("begin")) {
            while (!AtEnd() && !Word("end") && !Word("finalization")) {
                const size_t before = FAt;
                Statement(code);
                if (!Accept(";") && FAt == before)
                    Skip();
            }
        }
        return;
    }
    unit.Main = NewScope(TScopeKind::Program, 0, -1);
    Uses(unit.Main);
    Declarations(unit.Main, true);
    if (Word("begin") || Word("asm"))
        Block(unit.Main);
}

void TXrefParser::Uses(int scope) {
    if (!Accept("uses"))
        return;
    while (!AtEnd()) {
        if (IsName()) {
            const int site = AddSite(TSite::TRole::UnitName, scope, FAt);
            QString lower = Tok().Lower();
            Skip();
            while (Sym(".") && IsName(1)) {
                lower += u'.' + Tok(1).Lower();
                Skip(2);
            }
            TUsedUnit used{lower, {}};
            if (Accept("in") && Tok().Kind == TXrefToken::TKind::String) {
                const QStringView path = Text(FAt);
                used.InPath = path.mid(1, path.size() - 2).toString();
                Skip();
            }
            auto& uses = FOut.Unit.Scopes[size_t(scope)].Uses;
            FOut.Sites[size_t(site)].Target = int(uses.size());
            uses.push_back(std::move(used));
        }
        if (Accept(","))
            continue;
        if (Accept(";"))
            return;
        if (!IsName())
            return;
    }
}

void TXrefParser::Declarations(int scope, bool isPublic) {
    while (!AtEnd()) {
        const TXrefToken& t = Tok();
        const QString& w = t.Lower();
        if (t.Kind != TXrefToken::TKind::Name) {
            if (Sym("["))
                SkipStatementEnd(); // an attribute
            else
                Skip();
            continue;
        }
        if (IsWord(w, "uses")) {
            Uses(scope);
        } else if (IsWord(w, "type")) {
            Skip();
            TypeSection(scope, isPublic);
        } else if (IsWord(w, "const")) {
            Skip();
            ConstSection(scope, TDeclKind::Constant, isPublic);
        } else if (IsWord(w, "resourcestring")) {
            Skip();
            ConstSection(scope, TDeclKind::ResourceString, isPublic);
        } else if (IsWord(w, "var") || IsWord(w, "threadvar")) {
            Skip();
            VarSection(scope, TDeclKind::Variable, isPublic);
        } else if (IsWord(w, "label")) {
            Skip();
            LabelSection(scope);
        } else if (IsRoutineWord(w) || (IsWord(w, "class") && IsRoutineWord(Tok(1).Lower())) ||
                   (IsWord(w, "generic") && IsRoutineWord(Tok(1).Lower()))) {
            Routine(scope, isPublic);
        } else if (IsWord(w, "exports")) {
            SkipStatementEnd();
        } else if (IsWord(w, "begin") || IsWord(w, "asm") || IsWord(w, "implementation") ||
                   IsWord(w, "initialization") || IsWord(w, "finalization") || IsWord(w, "end")) {
            return;
        } else {
            Skip();
        }
    }
}

void TXrefParser::TypeSection(int scope, bool isPublic) {
    for (;;) {
        Accept("generic");
        if (!IsName() || !(Sym("=", 1) || Sym("<", 1)))
            return;
        // "TFoo = class;" announces a class declared further on: its name is a use of it.
        size_t k = 2;
        if (Word("packed", k))
            ++k;
        if (Sym("=", 1) &&
            (Word("class", k) || Word("interface", k) || Word("dispinterface", k) ||
             Word("object", k)) &&
            Sym(";", k + 1)) {
            AddSite(TSite::TRole::Lexical, scope, FAt);
            Skip(k + 2);
            continue;
        }
        const int d = Declare(scope, TDeclKind::Type, FAt);
        FOut.Unit.Decls[size_t(d)].Public = isPublic;
        Skip();
        if (Sym("<")) {
            const int inner = NewScope(TScopeKind::Members, scope, d);
            FOut.Unit.Decls[size_t(d)].Inner = inner;
            GenericParameters(inner);
        }
        if (!Accept("=")) {
            SkipStatementEnd();
            continue;
        }
        Accept("type");
        TTypeRef ref;
        const TDeclWhat what = TypeDef(scope, d, ref);
        FOut.Unit.Decls[size_t(d)].What = what;
        FOut.Unit.Decls[size_t(d)].Type = ref;
        if (!Accept(";"))
            SkipStatementEnd();
        SkipDirectives(scope);
    }
}

void TXrefParser::GenericParameters(int inner) {
    Skip(); // "<"
    while (!AtEnd() && !Sym(">") && !Sym("=") && !Sym("(")) {
        if (IsName()) {
            Declare(inner, TDeclKind::TypeParameter, FAt);
            Skip();
        } else if (Accept(":")) {
            while (!AtEnd() && !Sym(">") && !Sym(";")) {
                if (IsName())
                    AddSite(TSite::TRole::Lexical, inner, FAt);
                Skip();
            }
        } else {
            Skip();
        }
    }
    Accept(">");
}

void TXrefParser::ConstSection(int scope, TDeclKind kind, bool isPublic) {
    while (IsName() && (Sym("=", 1) || Sym(":", 1))) {
        const int d = Declare(scope, kind, FAt);
        FOut.Unit.Decls[size_t(d)].Public = isPublic;
        Skip();
        if (Accept(":")) {
            TTypeRef ref;
            TypeDef(scope, d, ref);
            FOut.Unit.Decls[size_t(d)].Type = ref;
        }
        if (Accept("="))
            Expression(scope, true);
        if (!Accept(";"))
            SkipStatementEnd();
        SkipDirectives(scope);
    }
}

void TXrefParser::VarSection(int scope, TDeclKind kind, bool isPublic) {
    while (IsName() && (Sym(":", 1) || Sym(",", 1))) {
        QVarLengthArray<int, 8> names; // room for most lists without an allocation
        while (IsName()) {
            names.push_back(Declare(scope, kind, FAt));
            FOut.Unit.Decls[size_t(names.back())].Public = isPublic;
            Skip();
            if (!Accept(","))
                break;
        }
        if (Accept(":")) {
            TTypeRef ref;
            TypeDef(scope, names.front(), ref);
            for (const int d : names)
                FOut.Unit.Decls[size_t(d)].Type = ref;
        }
        if (Accept("absolute"))
            Expression(scope);
        if (Accept("="))
            Expression(scope, true);
        SkipDirectives(scope);
        if (!Accept(";"))
            return;
        SkipDirectives(scope);
    }
}

void TXrefParser::LabelSection(int scope) {
    while (!AtEnd() && !Sym(";")) {
        if (IsName())
            Declare(scope, TDeclKind::Label, FAt);
        Skip();
    }
    Accept(";");
}
