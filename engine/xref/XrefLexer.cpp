#include "XrefLexer.h"

#include "CodeTokens.h"
#include "Conditions.h"
#include "LineScanner.h"
#include "TextCodec.h"

namespace {

// Records where the scan put comments, strings and directives in one line.
class TRecorder {
public:
    enum class TClass { Code, Comment, String, Directive };
    struct TRun {
        qsizetype At, Length;
        TClass Class;
    };

    void Begin(const char16_t* line) {
        FLine = line;
        Runs.clear();
    }
    void Text(const char16_t* s, qsizetype n) { Runs.push_back({s - FLine, n, FClass}); }
    void Markup(TMarkup which) {
        switch (which) {
        case TMarkup::Bcom:
            FClass = TClass::Comment;
            break;
        case TMarkup::Bstr:
            FClass = TClass::String;
            break;
        case TMarkup::Bdir:
            FClass = TClass::Directive;
            break;
        case TMarkup::Ecom:
        case TMarkup::Estr:
        case TMarkup::Edir:
            Runs.push_back({0, -1, FClass});
            FClass = TClass::Code;
            break;
        default:
            break;
        }
    }

    std::vector<TRun> Runs; // a run of Length -1 closes a comment, string or directive

private:
    const char16_t* FLine = nullptr;
    TClass FClass = TClass::Code;
};

// The directive's words without "{$" or "(*$" and the closing bracket.
QString DirectiveBody(const QString& text) {
    QString body = text;
    if (body.startsWith(u"{$"))
        body = body.mid(2);
    else if (body.startsWith(u"(*$"))
        body = body.mid(3);
    if (body.endsWith(u'}'))
        body.chop(1);
    else if (body.endsWith(u"*)"))
        body.chop(2);
    return body.trimmed();
}

} // namespace

QStringList SplitSourceLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines << text.mid(start, i - start);
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines << text.mid(start);
    return lines;
}

QString DecodeSource(const QByteArray& bytes) {
    qsizetype bom = 0;
    TTextEncoding encoding = DetectEncoding(bytes, &bom);
    if (bom == 0 && IsValidUtf8(bytes))
        encoding = TTextEncoding::Utf8;
    return DecodeText(QByteArrayView(bytes).sliced(bom), encoding);
}

TXrefSource ReadXrefSource(const QString& text) {
    TXrefSource source;
    source.Lines = SplitSourceLines(text);
    TLineScanner<char16_t> scanner(TTextEncoding::Utf16LE);
    TRecorder recorder;
    TConditions conditions;
    QString directive;
    auto add = [&](TXrefToken::TKind kind, int line, int ordinal, qsizetype start,
                   qsizetype length) {
        if (!conditions.Active())
            return;
        TXrefToken token;
        token.Kind = kind;
        token.Sure = conditions.Sure();
        token.Line = line;
        token.Ordinal = ordinal;
        token.Start = start;
        token.Length = length;
        if (kind == TXrefToken::TKind::Name)
            token.Lower =
                QStringView(source.Lines[line - 1]).mid(start, length).toString().toLower();
        source.Tokens.push_back(std::move(token));
    };
    for (qsizetype n = 0; n < source.Lines.size(); ++n) {
        const QString& line = source.Lines[n];
        const auto* s = reinterpret_cast<const char16_t*>(line.constData());
        recorder.Begin(s);
        scanner.ConvertLine(s, line.size(), recorder);
        int ordinal = 0;
        const auto& runs = recorder.Runs;
        for (size_t r = 0; r < runs.size(); ++r) {
            const auto& run = runs[r];
            if (run.Length < 0) {
                if (run.Class == TRecorder::TClass::Directive) {
                    conditions.Directive(DirectiveBody(directive));
                    directive.clear();
                }
                continue;
            }
            switch (run.Class) {
            case TRecorder::TClass::Code: {
                // Code runs next to each other are one stretch of code.
                qsizetype end = run.At + run.Length;
                while (r + 1 < runs.size() && runs[r + 1].Class == TRecorder::TClass::Code &&
                       runs[r + 1].Length >= 0) {
                    ++r;
                    end = runs[r].At + runs[r].Length;
                }
                TCodeToken t;
                for (qsizetype i = run.At; NextCodeToken(s, i, end, t); i = t.End) {
                    if (t.Kind == TCodeKind::Name)
                        add(TXrefToken::TKind::Name, int(n + 1), ordinal++, t.Start,
                            t.End - t.Start);
                    else
                        add(t.Kind == TCodeKind::Number ? TXrefToken::TKind::Number
                                                        : TXrefToken::TKind::Symbol,
                            int(n + 1), -1, t.Start, t.End - t.Start);
                }
                break;
            }
            case TRecorder::TClass::String:
                add(TXrefToken::TKind::String, int(n + 1), -1, run.At, run.Length);
                break;
            case TRecorder::TClass::Directive:
                if (!directive.isEmpty())
                    directive += u' ';
                directive += line.mid(run.At, run.Length);
                break;
            case TRecorder::TClass::Comment:
                break;
            }
        }
        if (!directive.isEmpty())
            directive += u' '; // a directive that goes on in the next line
    }
    source.DelphiMode = conditions.DelphiMode();
    return source;
}
