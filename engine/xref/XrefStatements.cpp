// The parse of statements and expressions: every name becomes a site.

#include "WordSet.h"
#include "XrefParser.h"

#include <QVarLengthArray>
#include <algorithm>
#include <vector>

void TXrefParser::Expression(int scope, bool constant, bool specifiers) {
    std::vector<TChain>& chains = FChains; // an expression never holds another
    std::vector<TCall>& calls = FCalls;
    // A depth's chain is made afresh on entering it: only the first is made here.
    if (chains.empty()) {
        chains.emplace_back();
        calls.emplace_back();
    }
    chains[0] = {};
    int depth = 0;
    // The site just read when a bracket follows it: the bracket holds its arguments.
    int called = -1;
    // The last ";" inside brackets: the arguments of a bracket opened before it are not known.
    // Told by its place, not marked in every bracket open: hostile code nests them deep.
    size_t cut = FAt;
    // Its chain of names read, and the site called when a bracket follows.
    const auto follow = [this, &called](int site) {
        if (Sym("("))
            called = site;
        return TChain{site, 0, false};
    };
    // The chain of the current depth, held apart from the list: a token is read by the million
    // and nearly every one changes it.
    TChain* chain = chains.data();
    // What the whole expression names, when it is a chain of names, a call or a cast.
    const auto whole = [&chains, this] { FWhole = chains[0].Steps == 0 ? chains[0].Site : -1; };
    const auto isDot = [](const TXrefToken& t) {
        return t.Kind == TXrefToken::TKind::Symbol && t.Length == 1 && t.Chars == u'.';
    };
    // Whether the token before the current one is a ".", told once and then as tokens pass.
    bool afterDot = FAt > 0 && FAt <= FTokens.size() && isDot(FTokens[FAt - 1]);
    while (!AtEnd()) {
        const TXrefToken& t = FTokens[FAt];
        if (t.Kind == TXrefToken::TKind::Name) {
            const bool wasAfterDot = afterDot;
            afterDot = false;
            // Nearly every name is no word of the language: one test tells.
            if (t.Reserved || t.Words != 0) {
                if (t.Words & kXrefBlockEdge)
                    return whole();
                if (depth == 0 &&
                    ((t.Words & kXrefEndsExpression) || (specifiers && (t.Words & kXrefSpecifier))))
                    return whole();
                if (IsWord(t.Lower(), "inherited")) {
                    // "inherited Name" names the ancestor's member; a bare one, the method's
                    // own.
                    const int site = AddSite(TSite::TRole::Inherited, scope, FAt);
                    Skip();
                    if (IsName()) {
                        FOut.Sites.pop_back();
                        const int named = AddSite(TSite::TRole::Inherited, scope, FAt);
                        if (Sym("(", 1)) {
                            Skip();
                            called = named;
                        } else {
                            Skip();
                            FOut.Sites[size_t(named)].Args = 0;
                        }
                    } else {
                        FOut.Sites[size_t(site)].Name = 0;
                    }
                    *chain = {};
                    continue;
                }
                if (IsWord(t.Lower(), "result") || IsWord(t.Lower(), "self")) {
                    const int site = AddSite(TSite::TRole::Implicit, scope, FAt);
                    FOut.Sites[size_t(site)].Ordinal = -1;
                    Skip();
                    *chain = follow(ChainFrom(scope, site));
                    continue;
                }
                if (t.Reserved) {
                    *chain = {};
                    Skip();
                    continue;
                }
            }
            if (constant && depth > 0 && Sym(":", 1)) {
                Skip(2); // a field of a record constant
                continue;
            }
            if (wasAfterDot) {
                // After what cannot be followed: the name stays plain.
                Skip();
                continue;
            }
            *chain = follow(NameChain(scope));
            continue;
        }
        // Symbols of one character, the only ones that matter here.
        const quint32 symbol = t.Kind == TXrefToken::TKind::Symbol && t.Length == 1 ? t.Chars : 0;
        afterDot = symbol == '.';
        switch (symbol) {
        case ';':
            if (depth == 0)
                return whole();
            // The statement ends inside brackets: what those open hold is not known.
            cut = FAt;
            *chain = {};
            break;
        case ',':
            if (depth == 0)
                return whole();
            ++calls[size_t(depth)].Commas;
            *chain = {};
            break;
        case ':':
            if (depth == 0)
                return whole();
            *chain = {};
            break;
        case '(':
        case '[':
            chain->Open = chain->Site >= 0;
            ++depth;
            if (chains.size() <= size_t(depth)) {
                chains.emplace_back();
                calls.emplace_back();
            }
            chain = &chains[size_t(depth)];
            *chain = {};
            calls[size_t(depth)] = {called, 0, FAt};
            called = -1;
            break;
        case ')':
        case ']':
            if (depth == 0)
                return whole();
            if (const TCall& call = calls[size_t(depth)]; call.Site >= 0 && cut <= call.Open)
                FOut.Sites[size_t(call.Site)].Args = FAt == call.Open + 1 ? 0 : call.Commas + 1;
            chain = &chains[size_t(--depth)];
            if (chain->Open && symbol == ']')
                ++chain->Steps;
            else if (!chain->Open)
                chain->Site = -1;
            chain->Open = false;
            break;
        case '^':
            if (chain->Site >= 0)
                ++chain->Steps;
            break;
        case '.':
            if (chain->Site >= 0 && IsName(1)) {
                Skip();
                const int site = AddSite(TSite::TRole::Qualified, scope, FAt);
                FOut.Sites[size_t(site)].Target = chain->Site;
                FOut.Sites[size_t(site)].Steps = quint8(std::min(chain->Steps, 255));
                Skip();
                *chain = follow(ChainFrom(scope, site));
                afterDot = false;
                continue;
            }
            *chain = {};
            break;
        default:
            *chain = {};
        }
        Skip();
    }
    whole();
}

void TXrefParser::Block(int scope) {
    if (Accept("asm")) {
        while (!AtEnd() && !Word("end"))
            Skip();
        Accept("end");
        return;
    }
    Statement(scope);
}

void TXrefParser::Statement(int scope) {
    const TNesting nesting(*this);
    if (AtEnd())
        return;
    if (nesting.TooDeep()) {
        Skip();
        return;
    }
    const TXrefToken& t = Tok();
    const QString& w = t.Lower(); // empty but for names
    auto statements = [this, scope](std::initializer_list<TLiteral> ends) {
        while (!AtEnd()) {
            for (const TLiteral end : ends)
                if (Word(end))
                    return;
            const size_t before = FAt;
            Statement(scope);
            if (!Accept(";") && FAt == before)
                Skip();
        }
    };
    auto upTo = [this, scope](TLiteral word) {
        while (!AtEnd() && !Word(word) && !Sym(";") && !Word("end")) {
            const size_t before = FAt;
            Expression(scope);
            if (FAt == before)
                Skip();
        }
        Accept(word);
    };
    const auto assignment = [this, scope] {
        Expression(scope);
        if (Sym(":=")) {
            Skip();
            Expression(scope);
        }
    };
    if (IsName()) {
        // No word of a statement's: a label, an assignment or a call.
        if (Sym(":", 1)) {
            NameChain(scope);
            Skip();
            Statement(scope);
        } else {
            assignment();
        }
    } else if (IsWord(w, "begin")) {
        Skip();
        statements({"end"});
        Accept("end");
    } else if (IsWord(w, "asm")) {
        Block(scope);
    } else if (IsWord(w, "if")) {
        Skip();
        upTo("then");
        Statement(scope);
        if (Accept("else"))
            Statement(scope);
    } else if (IsWord(w, "while") || IsWord(w, "for")) {
        Skip();
        upTo("do");
        Statement(scope);
    } else if (IsWord(w, "repeat")) {
        Skip();
        statements({"until"});
        Accept("until");
        Expression(scope);
    } else if (IsWord(w, "case")) {
        Skip();
        upTo("of");
        while (!AtEnd() && !Word("end") && !Word("else") && !Word("otherwise")) {
            const size_t before = FAt;
            while (!AtEnd() && !Sym(":") && !Word("end") && !Sym(";")) {
                const size_t at = FAt;
                Expression(scope);
                if (!Accept(",") && FAt == at)
                    Skip();
            }
            if (Accept(":"))
                Statement(scope);
            if (!Accept(";") && FAt == before)
                Skip();
        }
        if (Accept("else") || Accept("otherwise"))
            statements({"end"});
        Accept("end");
    } else if (IsWord(w, "try")) {
        Skip();
        statements({"except", "finally", "end"});
        if (Accept("finally")) {
            statements({"end"});
        } else if (Accept("except")) {
            while (Accept("on")) {
                if (IsName() && Sym(":", 1)) {
                    // The exception's name lives in its handler only.
                    TXrefUnit& unit = FOut.Unit;
                    const int handler =
                        NewScope(TScopeKind::Routine, scope, unit.Scopes[size_t(scope)].Owner);
                    unit.Scopes[size_t(handler)].Path = unit.Scopes[size_t(scope)].Path;
                    unit.Scopes[size_t(handler)].Class = -1;
                    Declare(handler, TDeclKind::Variable, FAt);
                    Skip(2);
                    TTypeRef type;
                    TypeName(scope, type);
                    Accept("do");
                    Statement(handler);
                } else {
                    TTypeRef type;
                    TypeName(scope, type);
                    Accept("do");
                    Statement(scope);
                }
                Accept(";");
            }
            Accept("else");
            statements({"end"});
        }
        Accept("end");
    } else if (IsWord(w, "with")) {
        Skip();
        TWith with;
        with.Outer = FWith;
        while (!AtEnd() && !Word("do") && !Sym(";")) {
            const size_t sites = FOut.Sites.size();
            const size_t before = FAt;
            Expression(scope);
            // The subject is followed when it is a chain of names, a call or a cast.
            const bool chain = FOut.Sites.size() > sites && FWhole >= int(sites);
            with.Subjects.push_back(chain ? FWhole : -1);
            if (!Accept(",") && FAt == before)
                Skip();
        }
        Accept("do");
        with.Begin = int(FOut.Sites.size());
        FOut.Withs.push_back(std::move(with));
        const int saved = FWith;
        FWith = int(FOut.Withs.size() - 1);
        Statement(scope);
        FOut.Withs[size_t(FWith)].End = int(FOut.Sites.size());
        FWith = saved;
    } else if (IsWord(w, "goto")) {
        Skip();
        if (IsName())
            NameChain(scope);
    } else if (IsWord(w, "raise")) {
        Skip();
        Expression(scope);
    } else if (IsWord(w, "end") || IsWord(w, "else") || IsWord(w, "until") || IsWord(w, "except") ||
               IsWord(w, "finally") || Sym(";")) {
        return;
    } else {
        assignment();
    }
}

TParsedSource ParseXrefSource(const TXrefSource& source) {
    return TXrefParser(source).Parse();
}
