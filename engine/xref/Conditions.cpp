#include "Conditions.h"

#include "CodeTokens.h"

#include <algorithm>

namespace {

// What Free Pascal 3.2.2 defines for Linux on x86-64 before reading a unit.
constexpr const char* kPredefined[] = {"FPC",
                                       "VER3",
                                       "VER3_2",
                                       "VER3_2_2",
                                       "ENDIAN_LITTLE",
                                       "FPC_LITTLE_ENDIAN",
                                       "CPUX86_64",
                                       "CPUAMD64",
                                       "CPU64",
                                       "CPUX64",
                                       "CPU64BITADDR",
                                       "CPU64BITALU",
                                       "CPUINT64",
                                       "LINUX",
                                       "UNIX",
                                       "HASUNIX",
                                       "FPUSSE64",
                                       "FPC_HAS_TYPE_SINGLE",
                                       "FPC_HAS_TYPE_DOUBLE",
                                       "FPC_HAS_TYPE_EXTENDED",
                                       "FPC_HAS_CONSTREF",
                                       "FPC_HAS_CPSTRING",
                                       "FPC_HAS_MANAGEMENT_OPERATORS",
                                       "FPC_HAS_VARSETS",
                                       "FPC_HAS_UNICODESTRING",
                                       "HASVARIANT",
                                       "HASINTF",
                                       "HASWIDESTRING",
                                       "HASWIDECHAR",
                                       "HASCURRENCY",
                                       "HASTHREADVAR",
                                       "HASDYNARRAYS",
                                       "HASINLINE",
                                       "HASOUT",
                                       "FPC_HAS_FEATURE_HEAP",
                                       "FPC_HAS_FEATURE_INITFINAL",
                                       "FPC_HAS_FEATURE_RTTI",
                                       "FPC_HAS_FEATURE_CLASSES",
                                       "FPC_HAS_FEATURE_EXCEPTIONS",
                                       "FPC_HAS_FEATURE_EXITCODE",
                                       "FPC_HAS_FEATURE_ANSISTRINGS",
                                       "FPC_HAS_FEATURE_WIDESTRINGS",
                                       "FPC_HAS_FEATURE_TEXTIO",
                                       "FPC_HAS_FEATURE_CONSOLEIO",
                                       "FPC_HAS_FEATURE_FILEIO",
                                       "FPC_HAS_FEATURE_RANDOM",
                                       "FPC_HAS_FEATURE_VARIANTS",
                                       "FPC_HAS_FEATURE_OBJECTS",
                                       "FPC_HAS_FEATURE_DYNARRAYS",
                                       "FPC_HAS_FEATURE_THREADING",
                                       "FPC_HAS_FEATURE_COMMANDARGS",
                                       "FPC_HAS_FEATURE_PROCESSES",
                                       "FPC_HAS_FEATURE_STACKCHECK",
                                       "FPC_HAS_FEATURE_DYNLIBS"};

// A small reader of {$IF} expressions: defined(), undefined(), not, and, or, brackets,
// numbers, symbols with a value and comparisons. Anything else is Unknown.
class TExpression {
public:
    enum class TKind { Unknown, Bool, Int };
    struct TValue {
        TKind Kind = TKind::Unknown;
        qint64 Int = 0;
        bool Bool = false;
    };

    TExpression(QStringView text, const QHash<QString, QString>& defines,
                const QSet<QString>& doubtful)
        : FDefines(defines), FDoubtful(doubtful) {
        TCodeToken t;
        for (qsizetype i = 0; NextCodeToken(text.utf16(), i, text.size(), t); i = t.End)
            FTokens.push_back(text.sliced(t.Start, t.End - t.Start).toString().toUpper());
    }

    TValue Whole() {
        const TValue v = Relation();
        return FAt == FTokens.size() && !FTooDeep ? v : TValue{};
    }

private:
    QString Peek() const { return FAt < FTokens.size() ? FTokens[FAt] : QString(); }
    QString Next() { return FAt < FTokens.size() ? FTokens[FAt++] : QString(); }

    TValue Relation() {
        const TValue left = Or();
        const QString op = Peek();
        if (op != u"=" && op != u"<>" && op != u"<" && op != u">" && op != u"<=" && op != u">=")
            return left;
        Next();
        const TValue right = Or();
        if (left.Kind != TKind::Int || right.Kind != TKind::Int)
            return {};
        const qint64 a = left.Int, b = right.Int;
        const bool r = op == u"="    ? a == b
                       : op == u"<>" ? a != b
                       : op == u"<"  ? a < b
                       : op == u">"  ? a > b
                       : op == u"<=" ? a <= b
                                     : a >= b;
        return {TKind::Bool, 0, r};
    }
    TValue Or() {
        TValue v = And();
        while (Peek() == u"OR") {
            Next();
            v = Combine(v, And(), false);
        }
        return v;
    }
    TValue And() {
        TValue v = Factor();
        while (Peek() == u"AND") {
            Next();
            v = Combine(v, Factor(), true);
        }
        return v;
    }
    static TValue Combine(TValue a, TValue b, bool isAnd) {
        // A known side may decide alone: false and anything, true or anything.
        for (const TValue& side : {a, b})
            if (side.Kind == TKind::Bool && side.Bool != isAnd)
                return side;
        if (a.Kind != TKind::Bool || b.Kind != TKind::Bool)
            return {};
        return {TKind::Bool, 0, isAnd ? (a.Bool && b.Bool) : (a.Bool || b.Bool)};
    }
    TValue Factor() {
        // Brackets and "not" nest: far past any real condition the answer is unknown, and
        // the rest is not read, before the stack runs out.
        constexpr int kMaxDepth = 200;
        if (FDepth >= kMaxDepth) {
            FTooDeep = true;
            FAt = FTokens.size();
            return {};
        }
        ++FDepth;
        const TValue v = Operand();
        --FDepth;
        return v;
    }
    TValue Operand() {
        const QString t = Next();
        if (t == u"NOT") {
            TValue v = Factor();
            if (v.Kind == TKind::Bool)
                v.Bool = !v.Bool;
            return v.Kind == TKind::Bool ? v : TValue{};
        }
        if (t == u"(") {
            const TValue v = Relation();
            return Next() == u")" ? v : TValue{};
        }
        if (t == u"DEFINED" || t == u"UNDEFINED") {
            const bool bracket = Peek() == u"(";
            if (bracket)
                Next();
            const QString name = Next();
            if (bracket && Next() != u")")
                return {};
            if (FDoubtful.contains(name))
                return {};
            return {TKind::Bool, 0, FDefines.contains(name) == (t == u"DEFINED")};
        }
        if (Peek() == u"(") {
            // declared(), sizeof() and the like: unknown, but read to their end so that
            // the rest of the expression may still decide it.
            int depth = 0;
            do {
                const QString part = Next();
                depth += part == u"(" ? 1 : part == u")" ? -1 : 0;
            } while (depth > 0 && FAt < FTokens.size());
            return {};
        }
        bool ok = false;
        const qint64 n = t.toLongLong(&ok);
        if (ok)
            return {TKind::Int, n, false};
        if (t == u"TRUE" || t == u"FALSE")
            return {TKind::Bool, 0, t == u"TRUE"};
        const auto value = FDefines.constFind(t);
        if (value != FDefines.cend()) {
            const qint64 v = value->toLongLong(&ok);
            if (ok)
                return {TKind::Int, v, false};
        }
        return {};
    }

    const QHash<QString, QString>& FDefines;
    const QSet<QString>& FDoubtful;
    QStringList FTokens;
    qsizetype FAt = 0;
    int FDepth = 0;
    bool FTooDeep = false;
};

} // namespace

TConditions::TConditions() {
    // Built once and shared by every reader: a unit that defines a symbol of its own copies it.
    static const QHash<QString, QString> predefined = [] {
        QHash<QString, QString> defines;
        for (const char* name : kPredefined)
            defines.insert(QString::fromLatin1(name), QString());
        defines.insert(QStringLiteral("FPC_VERSION"), QStringLiteral("3"));
        defines.insert(QStringLiteral("FPC_RELEASE"), QStringLiteral("2"));
        defines.insert(QStringLiteral("FPC_PATCH"), QStringLiteral("2"));
        defines.insert(QStringLiteral("FPC_FULLVERSION"), QStringLiteral("30202"));
        return defines;
    }();
    FDefines = predefined;
}

void TConditions::SetMode(const QString& mode) {
    static const QStringList modeSymbols = {QStringLiteral("FPC_OBJFPC"),
                                            QStringLiteral("FPC_DELPHI"),
                                            QStringLiteral("FPC_TP"),
                                            QStringLiteral("FPC_MACPAS"),
                                            QStringLiteral("FPC_ISO"),
                                            QStringLiteral("FPC_DELPHIUNICODE"),
                                            QStringLiteral("FPC_EXTENDEDPASCAL")};
    for (const QString& name : modeSymbols)
        if (FDefines.contains(name)) // left shared with the predefined ones when none is set
            FDefines.remove(name);
    const QString m = mode.toUpper();
    FDelphi = m == u"DELPHI" || m == u"DELPHIUNICODE";
    if (m == u"DELPHIUNICODE")
        FDefines.insert(QStringLiteral("FPC_DELPHI"), QString());
    if (m != u"FPC" && !m.isEmpty())
        FDefines.insert(QStringLiteral("FPC_") + m, QString());
}

TConditions::TTruth TConditions::Evaluate(QStringView expression) const {
    const TExpression::TValue v = TExpression(expression, FDefines, FDoubtful).Whole();
    if (v.Kind != TExpression::TKind::Bool)
        return TTruth::Unknown;
    return v.Bool ? TTruth::Yes : TTruth::No;
}

void TConditions::Branch(TFrame& frame, TTruth truth) {
    bool on = false, sure = true;
    if (frame.Unknown || frame.Taken) {
        on = false; // after an undecided branch the reader follows the first one only
    } else if (truth == TTruth::Unknown) {
        on = true;
        sure = false;
        frame.Unknown = frame.Taken = true;
    } else {
        on = truth == TTruth::Yes;
        frame.Taken = on;
    }
    FActive = frame.OuterActive && on;
    FSure = frame.OuterSure && sure;
}

bool IsUpperWord(QStringView word, const char* upper) {
    // Told by the first unit that differs while the word is ASCII: a letter above ASCII may
    // upper-case to ASCII, or to more letters than one.
    qsizetype i = 0;
    for (; i < word.size(); ++i) {
        const char16_t c = word[i].unicode();
        if (c >= 0x80)
            return word.toString().toUpper() == QLatin1StringView(upper);
        if (upper[i] == 0 || (c >= u'a' && c <= u'z' ? c - 32 : c) != char16_t(upper[i]))
            return false;
    }
    return upper[i] == 0;
}

void TConditions::Directive(QStringView text) {
    qsizetype split = 0;
    while (split < text.size() && (text[split].isLetterOrNumber() || text[split] == u'_'))
        ++split;
    const QStringView word = text.left(split);
    const QStringView rest = text.sliced(split).trimmed();
    auto name = [&rest]() {
        qsizetype n = 0;
        while (n < rest.size() && (rest[n].isLetterOrNumber() || rest[n] == u'_'))
            ++n;
        // Upper-cased here while ASCII: toUpper() costs more than the whole directive.
        QString upper = rest.left(n).toString();
        for (QChar& c : upper) {
            if (c.unicode() >= 0x80)
                return upper.toUpper();
            if (c >= u'a' && c <= u'z')
                c = QChar(c.unicode() - 32);
        }
        return upper;
    };
    const auto is = [&word](const char* upper) { return IsUpperWord(word, upper); };
    if (is("IFDEF") || is("IFNDEF") || is("IF") || is("IFOPT")) {
        TFrame frame{FActive, FSure, false, false};
        TTruth truth = TTruth::Unknown;
        if (is("IFDEF") || is("IFNDEF")) {
            const QString symbol = name();
            if (!FDoubtful.contains(symbol))
                truth = FDefines.contains(symbol) == is("IFDEF") ? TTruth::Yes : TTruth::No;
        } else if (is("IF")) {
            truth = Evaluate(rest);
        }
        Branch(frame, truth);
        FFrames.push_back(frame);
    } else if ((is("ELSE") || is("ELSEIF")) && !FFrames.empty()) {
        Branch(FFrames.back(), is("ELSE") ? TTruth::Yes : Evaluate(rest));
    } else if ((is("ENDIF") || is("IFEND")) && !FFrames.empty()) {
        FActive = FFrames.back().OuterActive;
        FSure = FFrames.back().OuterSure;
        FFrames.pop_back();
    } else if (!FActive) {
        return;
    } else if (is("DEFINE") || is("UNDEF")) {
        const QString symbol = name();
        // Set in a branch whose condition was beyond the reader, a symbol is in doubt.
        if (FSure)
            FDoubtful.remove(symbol);
        else
            FDoubtful.insert(symbol);
        const qsizetype value = rest.indexOf(QLatin1String(":="));
        if (is("UNDEF"))
            FDefines.remove(symbol);
        else
            FDefines.insert(symbol,
                            value < 0 ? QString() : rest.sliced(value + 2).trimmed().toString());
    } else if (is("MODE")) {
        SetMode(name());
    }
}
