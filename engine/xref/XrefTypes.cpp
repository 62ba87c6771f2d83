// The parse of types, members and routine headers.

#include "XrefParser.h"

#include <QVarLengthArray>

void TXrefParser::TypeName(int scope, TTypeRef& ref) {
    const TNesting nesting(*this); // type arguments nest
    if (nesting.TooDeep()) {
        Skip();
        return;
    }
    Accept("specialize");
    if (!IsName()) {
        if (Word("string") || Word("file")) {
            Skip();
            if (Accept("[")) {
                // "string[N]": its length, and what follows the type stays to be read.
                Expression(scope);
                Accept("]");
            }
        }
        return;
    }
    int site = AddSite(TSite::TRole::Lexical, scope, FAt);
    QString name = Tok().Lower();
    Skip();
    while (Sym(".") && IsName(1)) {
        Skip();
        const int next = AddSite(TSite::TRole::Qualified, scope, FAt);
        FOut.Sites[size_t(next)].Target = site;
        site = next;
        name += u'.' + Tok().Lower();
        Skip();
    }
    ref.Name = name;
    if (Sym("<")) {
        // Type arguments of a specialization.
        Skip();
        while (!AtEnd() && !Sym(">") && !Sym(";") && !Sym("=")) {
            TTypeRef argument;
            if (IsName() || Word("specialize"))
                TypeName(scope, argument);
            else
                Skip();
            Accept(",");
        }
        Accept(">");
    }
}

TDeclWhat TXrefParser::TypeDef(int scope, int decl, TTypeRef& ref) {
    const TNesting nesting(*this);
    if (nesting.TooDeep()) {
        Skip();
        return TDeclWhat::None;
    }
    Accept("packed");
    Accept("bitpacked");
    const QString& w = Tok().Lower(); // empty but for names
    if (IsWord(w, "class") && Word("of", 1)) {
        Skip(2);
        TypeName(scope, ref);
        return TDeclWhat::ClassReference;
    }
    if (IsWord(w, "class") || IsWord(w, "object") || IsWord(w, "record") ||
        IsWord(w, "interface") || IsWord(w, "dispinterface") || IsWord(w, "helper") ||
        IsWord(w, "objcclass") || IsWord(w, "objcprotocol") || IsWord(w, "cppclass"))
        return StructuredType(scope, decl, w, ref);
    if (Sym("(")) {
        Skip();
        const bool isPublic = decl >= 0 && FOut.Unit.Decls[size_t(decl)].Public;
        while (!AtEnd() && !Sym(")") && !Sym(";")) {
            if (IsName()) {
                const int member = Declare(scope, TDeclKind::EnumMember, FAt);
                FOut.Unit.Decls[size_t(member)].Public = isPublic;
                Skip();
                if (Accept("=") || Accept(":="))
                    Expression(scope);
            } else if (!Accept(",")) {
                Skip();
            }
        }
        Accept(")");
        return TDeclWhat::Enumeration;
    }
    if (IsWord(w, "set")) {
        Skip();
        Accept("of");
        TTypeRef element;
        TypeDef(scope, -1, element);
        return TDeclWhat::Set;
    }
    if (IsWord(w, "array")) {
        Skip();
        if (Accept("[")) {
            while (!AtEnd() && !Sym("]") && !Sym(";")) {
                const size_t before = FAt;
                Expression(scope);
                if (!Accept(",") && FAt == before)
                    Skip();
            }
            Accept("]");
        }
        Accept("of");
        if (!Accept("const")) {
            TypeDef(scope, -1, ref);
            ++ref.Indirections;
        }
        return TDeclWhat::Array;
    }
    if (Sym("^")) {
        Skip();
        TypeName(scope, ref);
        ref.Indirections = 1;
        return TDeclWhat::Pointer;
    }
    if (IsWord(w, "reference") && Word("to", 1))
        Skip(2);
    if (Word("procedure") || Word("function")) {
        Skip();
        if (decl >= 0) {
            const int inner = NewScope(TScopeKind::Routine, scope, decl);
            FOut.Unit.Decls[size_t(decl)].Inner = inner;
            FOut.Unit.Decls[size_t(decl)].Params = Parameters(inner, true, ")");
        } else {
            Parameters(scope, false, ")");
        }
        if (Accept(":")) {
            TTypeRef result;
            TypeName(scope, result);
        }
        if (Word("of") && Word("object", 1))
            Skip(2);
        if (Word("is") && Word("nested", 1))
            Skip(2);
        return TDeclWhat::ProceduralType;
    }
    if (IsWord(w, "file")) {
        Skip();
        if (Accept("of")) {
            TTypeRef element;
            TypeDef(scope, -1, element);
        }
        return TDeclWhat::File;
    }
    if (IsName() || Word("specialize") || Word("string")) {
        TypeName(scope, ref);
        if (!Sym(".."))
            return TDeclWhat::Type;
        ref = {};
    }
    // A subrange or another expression.
    Expression(scope);
    return TDeclWhat::Type;
}

TDeclWhat TXrefParser::StructuredType(int scope, int decl, const QString& keyword, TTypeRef& ref) {
    Skip();
    TXrefUnit& unit = FOut.Unit;
    int members = decl >= 0 ? unit.Decls[size_t(decl)].Inner : -1;
    if (members < 0) {
        members = NewScope(TScopeKind::Members, scope, decl);
        if (decl >= 0)
            unit.Decls[size_t(decl)].Inner = members;
    }
    ref.Members = members;
    TDeclWhat what = IsWord(keyword, "record")   ? TDeclWhat::Record
                     : IsWord(keyword, "object") ? TDeclWhat::Object
                     : IsWord(keyword, "class")  ? TDeclWhat::Class
                     : IsWord(keyword, "helper") ? TDeclWhat::Helper
                                                 : TDeclWhat::Interface;
    Accept("abstract");
    Accept("sealed");
    QStringList ancestors;
    const int ancestorSeq = int(FAt);
    bool helper = false;
    if (Accept("helper")) {
        helper = true;
        what = TDeclWhat::Helper;
    }
    if (Accept("(")) {
        while (!AtEnd() && !Sym(")") && !Sym(";")) {
            TTypeRef ancestor;
            if (IsName() || Word("specialize"))
                TypeName(scope, ancestor);
            else
                Skip();
            if (!ancestor.Name.isEmpty())
                ancestors << ancestor.Name;
            Accept(",");
        }
        Accept(")");
    }
    if (helper && Accept("for")) {
        TTypeRef extended;
        TypeName(scope, extended);
        // A helper's methods see the members of what it extends.
        ancestors.prepend(extended.Name);
    }
    if (ancestors.isEmpty() && (IsWord(keyword, "class") || IsWord(keyword, "interface")))
        ancestors << QStringLiteral("-");
    unit.Scopes[size_t(members)].Ancestors = ancestors;
    unit.Scopes[size_t(members)].AncestorSeq = ancestorSeq;
    if ((IsWord(keyword, "class") || IsWord(keyword, "interface")) && Sym(";"))
        return what; // no members of its own
    const bool isPublic = decl >= 0 && unit.Decls[size_t(decl)].Public;
    Members(members, isPublic);
    Accept("end");
    return what;
}

void TXrefParser::Members(int members, bool isPublic) {
    while (!AtEnd() && !Word("end")) {
        const TXrefToken& t = Tok();
        const QString& w = t.Lower(); // empty but for names
        const size_t before = FAt;
        if (IsWord(w, "case")) {
            VariantPart(members);
            return;
        }
        if (IsRoutineWord(w) || IsWord(w, "generic") ||
            (IsWord(w, "class") && (IsRoutineWord(Tok(1).Lower()) || Word("generic", 1)))) {
            Routine(members, isPublic);
        } else if (IsWord(w, "property") || (IsWord(w, "class") && Word("property", 1))) {
            Accept("class");
            Property(members, isPublic);
        } else if (IsWord(w, "var") || IsWord(w, "threadvar") ||
                   (IsWord(w, "class") && Word("var", 1)) ||
                   (IsWord(w, "class") && Word("threadvar", 1))) {
            Accept("class");
            Skip();
            VarSection(members, TDeclKind::Field, isPublic);
        } else if (IsWord(w, "const")) {
            Skip();
            ConstSection(members, TDeclKind::Constant, isPublic);
        } else if (IsWord(w, "type")) {
            Skip();
            TypeSection(members, isPublic);
        } else if (Sym("[")) {
            while (!AtEnd() && !Sym("]"))
                Skip();
            Accept("]");
        } else if (IsName() && (Sym(":", 1) || Sym(",", 1))) {
            VarSection(members, TDeclKind::Field, isPublic);
        }
        if (FAt == before)
            Skip();
    }
}

void TXrefParser::VariantPart(int members) {
    const TNesting nesting(*this);
    Skip(); // "case"
    if (nesting.TooDeep())
        return;
    TTypeRef tag;
    if (IsName() && Sym(":", 1)) {
        Declare(members, TDeclKind::Field, FAt);
        Skip(2);
    }
    TypeName(members, tag);
    Accept("of");
    while (!AtEnd() && !Word("end") && !Sym(")")) {
        while (!AtEnd() && !Sym(":") && !Word("end") && !Sym(")")) {
            const size_t before = FAt;
            Expression(members);
            if (!Accept(",") && FAt == before)
                Skip();
        }
        if (!Accept(":") || !Accept("("))
            continue;
        while (!AtEnd() && !Sym(")")) {
            const size_t before = FAt;
            if (Word("case"))
                VariantPart(members);
            else
                VarSection(members, TDeclKind::Field, false);
            if (FAt == before)
                Skip();
        }
        Accept(")");
        Accept(";");
    }
}

void TXrefParser::Property(int members, bool isPublic) {
    Skip(); // "property"
    if (!IsName())
        return;
    TXrefUnit& unit = FOut.Unit;
    const int d = Declare(members, TDeclKind::Property, FAt);
    unit.Decls[size_t(d)].Public = isPublic;
    Skip();
    // The accessors' parameter types: the index's, then for the writer the value's.
    quint32 readSignature = 0, writeSignature = 0;
    if (Sym("[")) {
        ParameterTypes(readSignature);
        const int inner = NewScope(TScopeKind::Routine, members, d);
        unit.Decls[size_t(d)].Inner = inner;
        unit.Decls[size_t(d)].Params = Parameters(inner, true, "]");
    }
    if (Accept(":")) {
        const size_t typeAt = FAt;
        TTypeRef ref;
        TypeName(members, ref);
        unit.Decls[size_t(d)].Type = ref;
        quint32 type = 0;
        for (size_t k = typeAt; k < FAt; ++k)
            type = TypeToken(k, type);
        writeSignature = readSignature * 1000003u + type + 1u; // the value, one parameter more
    }
    bool indexed = false;
    while (!AtEnd() && !Sym(";") && !Word("end")) {
        if (Word("read") || Word("write") || Word("stored")) {
            const bool read = Word("read"), write = Word("write");
            Skip();
            if (!IsName())
                continue;
            const int accessor =
                read || write ? Accessor(members, read ? readSignature : writeSignature) : -1;
            const int site =
                AddSite(accessor >= 0 && !indexed ? TSite::TRole::Preset : TSite::TRole::Member,
                        members, FAt);
            FOut.Sites[size_t(site)].Target = accessor >= 0 && !indexed ? accessor : -1;
            Skip();
            ChainFrom(members, site);
        } else if (Word("implements")) {
            Skip();
            TTypeRef ref;
            TypeName(members, ref);
        } else if (Word("index") || Word("default")) {
            indexed = indexed || Word("index");
            Skip();
            Expression(members, false, true);
        } else {
            Skip();
        }
    }
    Accept(";");
    if (Word("default") && Sym(";", 1))
        Skip(2);
}

int TXrefParser::Parameters(int inner, bool declare, TLiteral close, int* defaults) {
    const bool square = close.Text[0] == ']';
    if (!Accept(square ? "[" : "("))
        return 0;
    int count = 0;
    while (!AtEnd() && !Sym(close)) {
        const size_t before = FAt;
        if (Word("const") || Word("var") || Word("out") || Word("constref"))
            Skip();
        QVarLengthArray<int, 8> names; // room for most lists without an allocation
        while (IsName()) {
            if (declare) {
                names.push_back(Declare(inner, TDeclKind::Parameter, FAt));
            } else {
                const int target = FOut.Unit.Find(inner, Tok().Lower());
                if (target >= 0)
                    FOut.Sites[size_t(AddSite(TSite::TRole::Preset, inner, FAt))].Target = target;
            }
            ++count;
            Skip();
            if (!Accept(","))
                break;
        }
        if (Accept(":")) {
            TTypeRef ref;
            if (Word("array") && Word("of", 1)) {
                Skip(2);
                if (!Accept("const"))
                    TypeName(inner, ref);
                ++ref.Indirections;
            } else {
                TypeName(inner, ref);
            }
            for (const int d : names)
                FOut.Unit.Decls[size_t(d)].Type = ref;
        }
        if (Accept("=")) {
            Expression(inner);
            if (defaults)
                *defaults += int(names.size());
        }
        if (!Accept(";") && !Sym(close) && FAt == before)
            Skip();
    }
    Accept(close);
    return count;
}

int TXrefParser::ImplementedBy(int scope, const QString& lower, int params, bool hasParams,
                               quint32 signature) const {
    const TXrefUnit& unit = FOut.Unit;
    QVarLengthArray<int, 2> places = {scope};
    if (unit.Scopes[size_t(scope)].Kind == TScopeKind::Implementation)
        places.push_back(unit.Interface);
    int fits = -1, first = -1;
    const THashedName name(lower); // hashed once for both places
    for (const int place : places)
        for (int d = unit.Find(place, name); d >= 0; d = unit.Decls[size_t(d)].NextSame) {
            const TDecl& decl = unit.Decls[size_t(d)];
            if (decl.Kind != TDeclKind::Routine || !decl.Forward)
                continue;
            if (first < 0)
                first = d;
            if (decl.Params == params) {
                if (decl.Signature == signature)
                    return d;
                if (fits < 0)
                    fits = d;
            }
        }
    return fits >= 0 || hasParams ? fits : first;
}

int TXrefParser::Accessor(int members, quint32 signature) const {
    // Overloaded accessors are told apart by their parameters; one alone is left to the
    // lookup, which also searches the ancestors.
    if (Sym(".", 1))
        return -1;
    const TXrefUnit& unit = FOut.Unit;
    int count = 0, match = -1;
    for (int d = unit.Find(members, Tok().Lower()); d >= 0; d = unit.Decls[size_t(d)].NextSame) {
        if (unit.Decls[size_t(d)].Kind != TDeclKind::Method)
            return -1;
        ++count;
        if (match < 0 && unit.Decls[size_t(d)].Signature == signature)
            match = d;
    }
    return count > 1 ? match : -1;
}

quint32 TXrefParser::TypeToken(size_t token, quint32 type) const {
    const TXrefToken& t = FTokens[token];
    const auto word = quint32(NameHash(t.Lower().isEmpty() ? Text(token) : QStringView(t.Lower())));
    return (type ^ word) * 16777619u;
}

int TXrefParser::ParameterTypes(quint32& signature) const {
    // Counted ahead: a body is matched to its declaration before its names are read.
    int depth = 0, count = 0, names = 0;
    bool typed = false, defaulted = false;
    quint32 type = 0;
    const auto endGroup = [&] {
        for (int k = 0; k < names; ++k)
            signature = signature * 1000003u + type + 1u;
        names = 0;
        typed = false;
        type = 0;
    };
    for (size_t k = 0; FAt + k < FTokens.size(); ++k) {
        const TXrefToken& t = Tok(k);
        if (Sym("(", k) || Sym("[", k)) {
            ++depth;
        } else if (Sym(")", k) || Sym("]", k)) {
            if (--depth == 0)
                break;
        } else if (depth != 1) {
            continue;
        } else if (Sym(";", k) || Sym("=", k)) {
            endGroup();
            defaulted = Sym("=", k);
        } else if (defaulted) {
            continue;
        } else if (Sym(":", k)) {
            typed = true;
        } else if (typed) {
            type = TypeToken(FAt + k, type);
        } else if (t.Kind == TXrefToken::TKind::Name && !t.Reserved &&
                   !IsWord(t.Lower(), "constref") && !IsWord(t.Lower(), "out")) {
            ++count;
            ++names;
        }
    }
    endGroup();
    return count;
}

void TXrefParser::Routine(int scope, bool isPublic) {
    const TNesting nesting(*this);
    if (nesting.TooDeep()) {
        Skip();
        return;
    }
    Accept("class");
    Accept("generic");
    const bool isOperator = Word("operator");
    const QString keyword = Tok().Lower();
    Skip();
    TXrefUnit& unit = FOut.Unit;
    const TScopeKind where = unit.Scopes[size_t(scope)].Kind;
    const bool isMember = where == TScopeKind::Members;

    QVarLengthArray<size_t, 4> parts; // room for most without an allocation
    size_t genericAt = 0;
    if (isOperator) {
        if (IsName())
            parts.push_back(FAt);
        Skip();
    } else {
        while (IsName()) {
            parts.push_back(FAt);
            Skip();
            if (Sym("<")) {
                genericAt = FAt;
                while (!AtEnd() && !Sym(">") && !Sym("(") && !Sym(";"))
                    Skip();
                Accept(">");
            }
            if (!Sym(".") || !IsName(1))
                break;
            Skip();
        }
    }
    const bool hasParams = Sym("(");
    quint32 signature = 0;
    const int count = hasParams ? ParameterTypes(signature) : 0;

    int target = -1;
    int classMembers = -1;
    bool unknownClass = false;
    if (parts.size() >= 2) {
        // A method's body: its class, then its declaration there.
        int members = -1;
        QVarLengthArray<int, 4> found;
        const THashedName className(FTokens[parts[0]].Lower()); // hashed once for every scope
        for (int s = scope; s >= 0 && members < 0; s = unit.Scopes[size_t(s)].Outer)
            for (int d = unit.Find(s, className); d >= 0; d = unit.Decls[size_t(d)].NextSame)
                if (unit.Decls[size_t(d)].Kind == TDeclKind::Type &&
                    unit.Decls[size_t(d)].Inner >= 0) {
                    members = unit.Decls[size_t(d)].Inner;
                    found.push_back(d);
                    break;
                }
        for (qsizetype k = 1; k + 1 < parts.size() && members >= 0; ++k) {
            const int d = unit.Find(members, FTokens[parts[k]].Lower());
            members = d >= 0 ? unit.Decls[size_t(d)].Inner : -1;
            found.push_back(d);
        }
        if (members >= 0) {
            // Overloads of one count are told apart by their parameters' types; a header
            // without parameters is the overload without, else the one declaration.
            int first = -1;
            for (int d = unit.Find(members, FTokens[parts.back()].Lower()); d >= 0;
                 d = unit.Decls[size_t(d)].NextSame) {
                const TDecl& decl = unit.Decls[size_t(d)];
                if (decl.Kind != TDeclKind::Method)
                    continue;
                if (first < 0)
                    first = d;
                if (decl.Params == count && (target < 0 || decl.Signature == signature)) {
                    target = d;
                    if (decl.Signature == signature)
                        break;
                }
            }
            if (target < 0)
                target = first;
        }
        if (target >= 0) {
            classMembers = members;
            for (qsizetype k = 0; k + 1 < parts.size(); ++k)
                FOut.Sites[size_t(AddSite(TSite::TRole::Preset, scope, parts[k]))].Target =
                    found[k];
        } else {
            unknownClass = true;
        }
    } else if (!parts.empty() && !isMember && where != TScopeKind::Interface) {
        target = ImplementedBy(scope, FTokens[parts[0]].Lower(), count, hasParams, signature);
    }

    // A body never lies inside its own declaration's scope: the scopes would go round.
    if (target >= 0 && unit.Decls[size_t(target)].Inner >= 0) {
        const int own = unit.Decls[size_t(target)].Inner;
        for (int s = scope, steps = 0; s >= 0 && steps < 100000;
             s = unit.Scopes[size_t(s)].Outer, ++steps)
            if (s == own) {
                target = -1;
                unknownClass = parts.size() >= 2;
                break;
            }
    }
    int inner;
    int decl = -1;
    if (target >= 0 && unit.Decls[size_t(target)].Inner >= 0) {
        FOut.Sites[size_t(AddSite(TSite::TRole::Preset, scope, parts.back()))].Target = target;
        unit.Decls[size_t(target)].Forward = false;
        inner = unit.Decls[size_t(target)].Inner;
        unit.Scopes[size_t(inner)].Outer = scope;
        unit.Scopes[size_t(inner)].Class = classMembers;
        Parameters(inner, false, ")");
    } else if (unknownClass || parts.empty()) {
        inner = NewScope(TScopeKind::Routine, scope, -1);
        QStringList path;
        for (const size_t k : parts)
            path << Text(k).toString();
        unit.Scopes[size_t(inner)].Path = path.join(u'.');
        // Names in the body of a method of an unknown class may be its members.
        unit.Scopes[size_t(inner)].Class = unknownClass ? -2 : -1;
        Parameters(inner, true, ")");
    } else {
        decl = Declare(scope, isMember ? TDeclKind::Method : TDeclKind::Routine, parts[0]);
        unit.Decls[size_t(decl)].Public = isPublic && where != TScopeKind::Routine;
        inner = NewScope(TScopeKind::Routine, scope, decl);
        unit.Decls[size_t(decl)].Inner = inner;
        if (genericAt) {
            const size_t resume = FAt;
            FAt = genericAt;
            GenericParameters(inner);
            FAt = resume;
        }
        if (Sym("("))
            ParameterTypes(unit.Decls[size_t(decl)].Signature);
        int defaults = 0; // counted apart: declaring the parameters moves the declarations
        unit.Decls[size_t(decl)].Params = Parameters(inner, true, ")", &defaults);
        unit.Decls[size_t(decl)].Defaults = defaults;
        unit.Decls[size_t(decl)].Forward = where == TScopeKind::Interface;
        unit.Decls[size_t(decl)].What = IsWord(keyword, "function")      ? TDeclWhat::Function
                                        : IsWord(keyword, "constructor") ? TDeclWhat::Constructor
                                        : IsWord(keyword, "destructor")  ? TDeclWhat::Destructor
                                        : IsWord(keyword, "operator")    ? TDeclWhat::Operator
                                                                         : TDeclWhat::Procedure;
    }
    if (Accept(":")) {
        if (IsName() && Sym(":", 1)) {
            Declare(inner, TDeclKind::Variable, FAt);
            Skip(2);
        }
        TTypeRef result;
        TypeName(inner, result);
        if (decl >= 0)
            unit.Decls[size_t(decl)].Type = result;
    } else if (isOperator && IsName() && Sym(":", 1)) {
        Declare(inner, TDeclKind::Variable, FAt);
        Skip(2);
        TTypeRef result;
        TypeName(inner, result);
    }
    Accept(";");
    bool body = !isMember && where != TScopeKind::Interface;
    while (IsDirective() && !(isMember && (Tok().Words & kXrefVisibility))) {
        if (decl >= 0 && Word("overload"))
            unit.Decls[size_t(decl)].Overload = true;
        if (Word("forward") || Word("external")) {
            body = false;
            if (decl >= 0 && Word("forward"))
                unit.Decls[size_t(decl)].Forward = true;
        }
        SkipStatementEnd();
    }
    if (body)
        RoutineBody(inner);
}

void TXrefParser::RoutineBody(int inner) {
    const int saved = FMethod;
    FMethod = inner;
    Declarations(inner, false);
    if (Word("begin") || Word("asm"))
        Block(inner);
    Accept(";");
    FMethod = saved;
}

QString WhatWords(TDeclWhat what) {
    switch (what) {
    case TDeclWhat::None:
        return {};
    case TDeclWhat::ClassReference:
        return QStringLiteral("ссылка на класс");
    case TDeclWhat::Enumeration:
        return QStringLiteral("перечисление");
    case TDeclWhat::Set:
        return QStringLiteral("множество");
    case TDeclWhat::Array:
        return QStringLiteral("массив");
    case TDeclWhat::Pointer:
        return QStringLiteral("указатель");
    case TDeclWhat::ProceduralType:
        return QStringLiteral("процедурный тип");
    case TDeclWhat::File:
        return QStringLiteral("файл");
    case TDeclWhat::Type:
        return QStringLiteral("тип");
    case TDeclWhat::Record:
        return QStringLiteral("запись");
    case TDeclWhat::Object:
        return QStringLiteral("объект");
    case TDeclWhat::Class:
        return QStringLiteral("класс");
    case TDeclWhat::Helper:
        return QStringLiteral("помощник");
    case TDeclWhat::Interface:
        return QStringLiteral("интерфейс");
    case TDeclWhat::Function:
        return QStringLiteral("функция");
    case TDeclWhat::Constructor:
        return QStringLiteral("конструктор");
    case TDeclWhat::Destructor:
        return QStringLiteral("деструктор");
    case TDeclWhat::Operator:
        return QStringLiteral("оператор");
    case TDeclWhat::Procedure:
        return QStringLiteral("процедура");
    }
    return {};
}
