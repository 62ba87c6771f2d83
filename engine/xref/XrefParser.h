#pragma once
// The parse of one source for the cross-reference: declarations into scopes, and every name
// of code as a site to resolve. It never stops at what it does not understand: it passes
// over a token and goes on, so a strange construct costs links, never the rest of the file.

#include "XrefLexer.h"
#include "XrefModel.h"

#include <span>

bool IsRoutineWord(const QString& lower);

class TXrefParser {
public:
    explicit TXrefParser(const TXrefSource& source);
    TParsedSource Parse();

private:
    // Tokens, read by the million: in line.
    const TXrefToken& Tok(size_t ahead = 0) const {
        return FAt + ahead < FTokens.size() ? FTokens[FAt + ahead] : kNoToken;
    }
    bool Word(TLiteral lower, size_t ahead = 0) const {
        const TXrefToken& t = Tok(ahead);
        return t.Kind == TXrefToken::TKind::Name && IsWord(t.Lower(), lower);
    }
    // Past the end, Tok() is a symbol of no characters: neither a name nor any symbol.
    bool Sym(TLiteral text, size_t ahead = 0) const {
        const TXrefToken& t = Tok(ahead);
        // Symbols are one or two characters, compared without reading the line.
        const quint32 chars =
            quint8(text.Text[0]) | (text.Length > 1 ? quint32(quint8(text.Text[1])) << 16 : 0);
        return t.Kind == TXrefToken::TKind::Symbol && text.Length <= 2 &&
               size_t(t.Length) == text.Length && t.Chars == chars;
    }
    bool IsName(size_t ahead = 0) const {
        const TXrefToken& t = Tok(ahead);
        return t.Kind == TXrefToken::TKind::Name && !t.Reserved;
    }
    bool AtEnd() const { return FAt >= FTokens.size(); }
    QStringView Text(size_t token) const { return FSource.Text(FTokens[token]); }
    void Skip(size_t n = 1) { FAt += n; }
    bool Accept(TLiteral lowerOrSymbol) {
        // A word is never a symbol: looked for as the one it reads.
        const char first = lowerOrSymbol.Text[0];
        if (!(first >= 'a' && first <= 'z' ? Word(lowerOrSymbol) : Sym(lowerOrSymbol)))
            return false;
        Skip();
        return true;
    }
    // Passes to just after the next ";" at bracket depth 0, stopping before "end".
    void SkipStatementEnd();
    bool IsDirective() const;
    void SkipDirectives(int scope);

    // The model.
    int NewScope(TScopeKind kind, int outer, int owner);
    int Declare(int scope, TDeclKind kind, size_t token);
    // Made for nearly every name of code: in line.
    Q_ALWAYS_INLINE int AddSite(TSite::TRole role, int scope, size_t token) {
        const TXrefToken& t = FTokens[token];
        TSite& site = FOut.Sites.emplace_back();
        site.Role = role;
        site.Sure = t.Sure;
        site.Line = t.Line;
        site.Ordinal = t.Ordinal;
        site.Column = t.Start;
        site.Length = quint8(t.Length <= 255 ? t.Length : 0);
        site.Scope = scope;
        site.Seq = int(token);
        int& name = FSiteNames(t.LowerName, 0);
        if (name == 0) {
            name = int(FSiteNameList.size());
            FSiteNameList.push_back(t.LowerName);
        }
        site.Name = name;
        return int(FOut.Sites.size() - 1);
    }

    // Declarations.
    void UnitOrProgram();
    void Uses(int scope);
    void Declarations(int scope, bool isPublic);
    void TypeSection(int scope, bool isPublic);
    void ConstSection(int scope, TDeclKind kind, bool isPublic);
    void VarSection(int scope, TDeclKind kind, bool isPublic);
    void LabelSection(int scope);
    void Routine(int scope, bool isPublic);
    int Parameters(int inner, bool declare, TLiteral close, int* defaults = nullptr);
    void RoutineBody(int inner);
    int ImplementedBy(int scope, const QString& lower, int params, bool hasParams,
                      quint32 signature) const;
    // The parameters of the list at "(" counted, and their types as written, one per
    // parameter, hashed into `signature`: what tells overloads of one count apart.
    int ParameterTypes(quint32& signature) const;
    quint32 TypeToken(size_t token, quint32 type) const;
    // The overload of the accessor named at the current token whose parameter types are
    // `signature`, when the class declares several; else -1.
    int Accessor(int members, quint32 signature) const;
    void GenericParameters(int inner);
    TDeclWhat TypeDef(int scope, int decl, TTypeRef& ref);
    TDeclWhat StructuredType(int scope, int decl, const QString& keyword, TTypeRef& ref);
    void Members(int members, bool isPublic);
    void Property(int members, bool isPublic);
    void VariantPart(int members);
    void TypeName(int scope, TTypeRef& ref);

    // Code.
    // Names until a ";", ",", ":" or closing bracket outside brackets, or a word that ends
    // an expression. In a typed constant a name before ":" in brackets is a record field;
    // after a property's "index" or "default" its specifier words end the expression.
    void Expression(int scope, bool constant = false, bool specifiers = false);
    void Statement(int scope);
    void Block(int scope);
    // A name and the names after its dots; returns its last site.
    Q_ALWAYS_INLINE int NameChain(int scope) {
        const int site = AddSite(TSite::TRole::Lexical, scope, FAt);
        Skip();
        return ChainFrom(scope, site);
    }
    // The names after the dots that follow `site`; returns the last site. Met for nearly every
    // name of code: in line.
    Q_ALWAYS_INLINE int ChainFrom(int scope, int site) {
        while (Sym(".") && IsName(1)) {
            Skip();
            const int next = AddSite(TSite::TRole::Qualified, scope, FAt);
            FOut.Sites[size_t(next)].Target = site;
            site = next;
            Skip();
        }
        return site;
    }

    // Counts how deep statements, types and routines nest: hostile nesting must not
    // exhaust the stack; past the limit tokens are passed over one by one.
    class TNesting {
    public:
        explicit TNesting(TXrefParser& parser) : FParser(parser) { ++FParser.FNesting; }
        ~TNesting() { --FParser.FNesting; }
        TNesting(const TNesting&) = delete;
        TNesting& operator=(const TNesting&) = delete;
        bool TooDeep() const { return FParser.FNesting > 400; }

    private:
        TXrefParser& FParser;
    };

    static inline const TXrefToken kNoToken{};

    const TXrefSource& FSource;
    // Viewed rather than referred to: its size is then at hand, not worked out at each look.
    const std::span<const TXrefToken> FTokens;
    const std::vector<QStringView>& FLines;
    size_t FAt = 0;
    TParsedSource FOut;
    int FWith = -1;   // the innermost "with" being read
    int FWhole = -1;  // the site the last expression read names as a whole, or -1
    int FMethod = -1; // the scope of the method body being read
    int FNesting = 0;
    // What the parse keeps per name (its lower case, of which the reader keeps one copy) and
    // scope: open addressing on the name's address, without hashing or copying its text, in
    // line for every site. One table serves every source a thread parses: a slot an earlier
    // source stamped counts as empty, so none is cleared or made again.
    template <typename TValue> class TPerName {
    public:
        // The table of the thread, for a source to start.
        static TPerName& OfThread() {
            thread_local TPerName table;
            table.Begin();
            return table;
        }
        // The value of `name` in `scope`, made on the first asking.
        TValue& operator()(const QString* name, int scope) {
            for (size_t k = Start(name, scope);; k = (k + 1) & FMask) {
                TSlot& slot = FSlots[k];
                if (slot.Stamp != FStamp)
                    return Add(slot, name, scope);
                if (slot.Name == name && slot.Scope == scope)
                    return slot.Value;
            }
        }

    private:
        struct TSlot {
            const QString* Name = nullptr;
            int Scope = 0;
            quint32 Stamp = 0; // of the source that put it there; 0 for none
            TValue Value{};
        };
        void Begin() {
            if (FSlots.empty())
                Grow();
            if (++FStamp == 0) { // after four billion sources: the stamps start again
                std::fill(FSlots.begin(), FSlots.end(), TSlot{});
                FStamp = 1;
            }
            FCount = 0;
        }
        size_t Start(const QString* name, int scope) const {
            const quint64 key = quint64(quintptr(name)) ^ quint64(quint32(scope)) << 40;
            return size_t((key * 0x9E3779B97F4A7C15ull) >> FShift);
        }
        Q_NEVER_INLINE TValue& Add(TSlot& slot, const QString* name, int scope) {
            if (2 * (FCount + 1) > FSlots.size())
                return Grown(name, scope);
            ++FCount;
            slot = {name, scope, FStamp, {}};
            return slot.Value;
        }
        Q_NEVER_INLINE TValue& Grown(const QString* name, int scope) {
            Grow();
            return (*this)(name, scope);
        }
        void Grow() {
            std::vector<TSlot> old(std::max<size_t>(1024, 2 * FSlots.size()));
            old.swap(FSlots);
            FMask = FSlots.size() - 1;
            FShift = 64 - std::countr_zero(FSlots.size());
            for (TSlot& slot : old) {
                if (slot.Stamp != FStamp)
                    continue;
                size_t k = Start(slot.Name, slot.Scope);
                while (FSlots[k].Stamp == FStamp)
                    k = (k + 1) & FMask;
                FSlots[k] = std::move(slot);
            }
        }
        std::vector<TSlot> FSlots; // a power of two in size, at most half full
        size_t FMask = 0, FCount = 0;
        int FShift = 64;
        quint32 FStamp = 0;
    };
    // Per name and scope: its last declaration found by name, and how many are.
    struct TSameNames {
        int Last = -1, Count = 0;
    };
    TPerName<TSameNames>& FSameNames;
    // Per name (in scope 0): its index among the sites' names; 0, the empty name's, until its
    // first site.
    TPerName<int>& FSiteNames;
    std::vector<const QString*> FSiteNameList; // by index, the empty name's none
    // Per bracket depth of the expression being read: the chain of names the next ".Name"
    // selects from, with the "^" and "[ ]" it went through since its last name; a call's or
    // cast's brackets keep it. Kept for its room: expressions are read by the million.
    struct TChain {
        int Site = -1;
        int Steps = 0;
        bool Open = false; // the bracket opened right after it
    };
    std::vector<TChain> FChains;
    // Per bracket depth of the same: the site called by the bracket, whose arguments are
    // counted as the expression passes them, without a look ahead; -1 for none.
    struct TCall {
        int Site = -1;
        int Commas = 0;
        size_t Open = 0; // the bracket's token
    };
    std::vector<TCall> FCalls;
};
