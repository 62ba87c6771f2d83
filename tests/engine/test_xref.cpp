// Name resolution of the cross-reference: one row per rule, on small units.

#include "CodeTokens.h"
#include "XrefLexer.h"
#include "XrefModel.h"
#include "XrefProject.h"

#include <QTest>

namespace {

struct TRun {
    TXrefProject Project;
    std::vector<TXrefSource> Sources;
    QStringList Names;
};

// Sources are "name.pas|text" with "\n" line breaks; a "name.inc" is only included.
void Build(TRun& run, const QStringList& sources) {
    QHash<QString, QString> includes;
    for (const QString& entry : sources)
        if (entry.section(u'|', 0, 0).endsWith(QLatin1String(".inc")))
            includes.insert(entry.section(u'|', 0, 0), entry.section(u'|', 1));
    const TIncludeReader reader = [&includes](const QString& name) -> std::optional<QString> {
        if (!includes.contains(name))
            return std::nullopt;
        return includes.value(name);
    };
    for (const QString& entry : sources) {
        const qsizetype bar = entry.indexOf(u'|');
        if (includes.contains(entry.left(bar)))
            continue;
        run.Names << entry.left(bar).section(u'.', 0, 0);
        ReadXrefSource(run.Sources.emplace_back(), entry.mid(bar + 1), reader);
        run.Project.Add(ParseXrefSource(run.Sources.back()).Unit,
                        QStringLiteral("/src/") + entry.left(bar));
    }
    run.Project.Link();
}

// "unit:line:name[#n]" -> the id it links to, "unit/id" when in another source; "-" when
// plain.
QString LinkOf(const TRun& run, const QString& where) {
    const QStringList parts = where.split(u':');
    const int unit = int(run.Names.indexOf(parts[0]));
    const int line = parts[1].toInt();
    QString name = parts[2];
    int nth = 1;
    if (name.contains(u'#')) {
        nth = name.section(u'#', 1).toInt();
        name = name.section(u'#', 0, 0);
    }
    int ordinal = -1;
    for (const TXrefToken& t : run.Sources[size_t(unit)].Tokens)
        if (t.Line == line && run.Sources[size_t(unit)].Text(t) == name && --nth == 0) {
            ordinal = t.Ordinal;
            break;
        }
    if (ordinal < 0) {
        // Names of inactive code are no tokens; count them in the line, free of comments.
        const auto& lines = run.Sources[size_t(unit)].Lines;
        const QString text = line >= 1 && size_t(line) <= lines.size()
                                 ? lines[size_t(line - 1)].toString()
                                 : QString();
        const auto* s = reinterpret_cast<const char16_t*>(text.constData());
        TCodeToken t;
        int names = 0;
        for (qsizetype i = 0; ordinal < 0 && NextCodeToken(s, i, text.size(), t); i = t.End)
            if (t.Kind == TCodeKind::Name && text.mid(t.Start, t.End - t.Start) == name)
                ordinal = names;
            else if (t.Kind == TCodeKind::Name)
                ++names;
    }
    if (ordinal < 0)
        return QStringLiteral("no such name");
    const TParsedSource parsed = ParseXrefSource(run.Sources[size_t(unit)]);
    for (const TXrefLink& link :
         run.Project.Resolve(unit, parsed.Sites, parsed.Names, parsed.Withs))
        if (link.Line == line && link.Ordinal == ordinal) {
            const QString id = run.Project.Decl(link.Target).Id.toString();
            return link.Target.Unit == unit ? id : run.Names[link.Target.Unit] + u'/' + id;
        }
    return QStringLiteral("-");
}

const char* kU1 = "u1.pas|unit u1;\n"                                       // 1
                  "interface\n"                                             // 2
                  "type\n"                                                  // 3
                  "  TBase = class\n"                                       // 4
                  "    FValue: Integer;\n"                                  // 5
                  "    procedure Bump; virtual;\n"                          // 6
                  "    property Value: Integer read FValue write FValue;\n" // 7
                  "  end;\n"                                                // 8
                  "function Twice(x: Integer): Integer;\n"                  // 9
                  "var Count: Integer;\n"                                   // 10
                  "implementation\n"                                        // 11
                  "procedure TBase.Bump;\n"                                 // 12
                  "begin\n"                                                 // 13
                  "  Inc(FValue);\n"                                        // 14
                  "end;\n"                                                  // 15
                  "function Twice(x: Integer): Integer;\n"                  // 16
                  "var Count: Integer;\n"                                   // 17
                  "begin\n"                                                 // 18
                  "  Count := x;\n"                                         // 19
                  "  Result := x * 2;\n"                                    // 20
                  "end;\n"                                                  // 21
                  "end.\n";

} // namespace

class TestXref : public QObject {
    Q_OBJECT
private slots:
    void links_data();
    void links();
    void ids();
    void ordinals_data();
    void ordinals();
    void names();
    void lines_data();
    void lines();
    void decoding_data();
    void decoding();
    void hostileNesting();
};

void TestXref::links_data() {
    QTest::addColumn<QStringList>("sources");
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("target");
    const auto row = [](const char* name, const QStringList& sources, const QString& where,
                        const QString& target) {
        QTest::newRow(name) << sources << where << target;
    };

    const QString u1 = QString::fromLatin1(kU1);
    row("method body header: class", QStringList{u1}, "u1:12:TBase", "TBase");
    row("method body header: method", QStringList{u1}, "u1:12:Bump", "TBase.Bump");
    row("field inside a method", QStringList{u1}, "u1:14:FValue", "TBase.FValue");
    row("property specifier", QStringList{u1}, "u1:7:FValue", "TBase.FValue");
    row("body of an interface routine", QStringList{u1}, "u1:16:Twice", "Twice");
    row("repeated header parameter", QStringList{u1}, "u1:16:x", "Twice.x");
    row("local shadows global", QStringList{u1}, "u1:19:Count", "Twice.Count");
    row("parameter in body", QStringList{u1}, "u1:19:x", "Twice.x");
    row("outside the run stays plain", QStringList{u1}, "u1:14:Inc", "-");

    const QString u2 = "u2.pas|unit u2;\n"               // 1
                       "interface\n"                     // 2
                       "uses u1;\n"                      // 3
                       "type\n"                          // 4
                       "  TDerived = class(TBase)\n"     // 5
                       "    procedure Bump; override;\n" // 6
                       "  end;\n"                        // 7
                       "implementation\n"                // 8
                       "procedure TDerived.Bump;\n"      // 9
                       "begin\n"                         // 10
                       "  inherited Bump;\n"             // 11
                       "  FValue := u1.Twice(Value);\n"  // 12
                       "  inherited;\n"                  // 13
                       "end;\n"                          // 14
                       "end.\n";
    row("unit in uses", QStringList{u1, u2}, "u2:3:u1", "u1/u1");
    row("ancestor in another unit", QStringList{u1, u2}, "u2:5:TBase", "u1/TBase");
    row("ancestor's field", QStringList{u1, u2}, "u2:12:FValue", "u1/TBase.FValue");
    row("unit-qualified name", QStringList{u1, u2}, "u2:12:Twice", "u1/Twice");
    row("ancestor's property", QStringList{u1, u2}, "u2:12:Value", "u1/TBase.Value");
    row("inherited Name", QStringList{u1, u2}, "u2:11:Bump", "u1/TBase.Bump");
    row("bare inherited", QStringList{u1, u2}, "u2:13:inherited", "u1/TBase.Bump");

    const QString order = "u3.pas|unit u3;\n" // 1
                          "interface\n"       // 2
                          "uses u4;\n"        // 3
                          "implementation\n"  // 4
                          "uses u5;\n"        // 5
                          "procedure P;\n"    // 6
                          "begin\n"           // 7
                          "  Shared := 1;\n"  // 8
                          "end;\n"            // 9
                          "end.\n";
    const QString u4 = "u4.pas|unit u4;\ninterface\nvar Shared: Integer;\nimplementation\nend.\n";
    const QString u5 = "u5.pas|unit u5;\ninterface\nvar Shared: Integer;\nimplementation\nend.\n";
    row("implementation uses before interface uses", QStringList{order, u4, u5}, "u3:8:Shared",
        "u5/Shared");
    const QString later = "u7.pas|unit u7;\n"       // 1
                          "interface\n"             // 2
                          "uses u4;\n"              // 3
                          "const A = Shared;\n"     // 4
                          "var Shared: Integer;\n"  // 5
                          "const B = Shared + A;\n" // 6
                          "implementation\nend.\n";
    row("declared after its use: the used unit's", QStringList{later, u4}, "u7:4:Shared",
        "u4/Shared");
    row("declared before its use: its own, after a use before it", QStringList{later, u4},
        "u7:6:Shared", "Shared");

    // Names are hashed by their first and last units: these are told apart by the rest.
    const QString alike = "u8.pas|unit u8;\n"                          // 1
                          "interface\n"                                // 2
                          "var NameXxxxLast, NameYyyyLast: Integer;\n" // 3
                          "implementation\n"                           // 4
                          "initialization\n"                           // 5
                          "  NameYyyyLast := NameXxxxLast;\n"          // 6
                          "end.\n";
    row("a name alike another but in its middle", QStringList{alike}, "u8:6:NameXxxxLast",
        "NameXxxxLast");
    row("the other name alike it", QStringList{alike}, "u8:6:NameYyyyLast", "NameYyyyLast");

    const QString outside = "u6.pas|unit u6;\n"            // 1
                            "interface\n"                  // 2
                            "uses Forms;\n"                // 3
                            "type TForm1 = class(TForm)\n" // 4
                            "  procedure Go;\n"            // 5
                            "end;\n"                       // 6
                            "var Caption: Integer;\n"      // 7
                            "implementation\n"             // 8
                            "procedure TForm1.Go;\n"       // 9
                            "begin\n"                      // 10
                            "  Caption := 1; Go;\n"        // 11
                            "end;\n"                       // 12
                            "end.\n";
    row("ancestor outside the run: unknown name stays plain", QStringList{outside}, "u6:11:Caption",
        "-");
    row("ancestor outside the run: own member links", QStringList{outside}, "u6:11:Go",
        "TForm1.Go");
    const QString outsideTypes = "u23.pas|unit u23;\ninterface\nuses Forms;\n"  // 1-3
                                 "type TKind = (kOne, kTwo);\n"                 // 4
                                 "  TForm2 = class(TForm)\n    Kind: TKind;\n"  // 5-6
                                 "    procedure Go;\n  end;\nimplementation\n"  // 7-9
                                 "procedure TForm2.Go;\nvar K: TKind;\nbegin\n" // 10-12
                                 "  K := kOne;\nend;\nend.\n";                  // 13-15
    row("ancestor outside the run: a type of the run links", {outsideTypes}, "u23:6:TKind",
        "TKind");
    row("ancestor outside the run: a type in a method body", {outsideTypes}, "u23:11:TKind",
        "TKind");
    row("ancestor outside the run: other names stay plain", {outsideTypes}, "u23:13:kOne", "-");
    const QString unfit = "u29.pas|unit u29;\ninterface\nuses Classes;\n"                   // 1-3
                          "type TLines = class(TStrings)\n"                                 // 4
                          "  procedure BeginUpdate(Sender: TObject); overload;\nend;\n"     // 5-6
                          "  TOwn = class(TList)\n  procedure Go(A: Integer);\nend;\n"      // 7-9
                          "var L: TLines; O: TOwn;\n"                                       // 10
                          "implementation\ninitialization\n  L.BeginUpdate; O.Go;\nend.\n"; // 11-14
    row("an overload the call does not fit, ancestor outside the run", {unfit},
        "u29:13:BeginUpdate", "-");
    row("a routine the call does not fit, not declared overload", {unfit}, "u29:13:Go", "TOwn.Go");
    const QString rooted = "u15.pas|unit u15;\ninterface\n"       // 1-2
                           "type TTool = class(TObject)\n"        // 3
                           "  procedure Go;\n"                    // 4
                           "end;\n"                               // 5
                           "var Caption: Integer;\n"              // 6
                           "implementation\n"                     // 7
                           "procedure TTool.Go;\nbegin\n"         // 8-9
                           "  Caption := 1; Free;\nend;\nend.\n"; // 10-12
    row("TObject as the ancestor: a unit's name links", {rooted}, "u15:10:Caption", "Caption");
    row("TObject as the ancestor: its members stay plain", {rooted}, "u15:10:Free", "-");
    const QString sections = "u17.pas|unit u17;\ninterface\n"                      // 1-2
                             "type TInfo = class\n"                                // 3
                             "  private FName: string;\n"                          // 4
                             "  public constructor Create(const AName: string);\n" // 5
                             "end;\n"                                              // 6
                             "implementation\n"                                    // 7
                             "constructor TInfo.Create(const AName: string);\n"    // 8
                             "begin\n  FName := AName;\nend;\nend.\n";             // 9-12
    row("a section after a field: its method is declared", {sections}, "u17:8:Create",
        "TInfo.Create");
    row("a section after a field: the method's parameter", {sections}, "u17:10:AName",
        "TInfo.Create.AName");

    const QString overloads = "u7.pas|unit u7;\n"                                   // 1
                              "interface\n"                                         // 2
                              "procedure Put(a: Integer); overload;\n"              // 3
                              "procedure Put(a, b: Integer); overload;\n"           // 4
                              "implementation\n"                                    // 5
                              "procedure Put(a: Integer);\nbegin\nend;\n"           // 6-8
                              "procedure Put(a, b: Integer);\nbegin\nend;\n"        // 9-11
                              "procedure Use;\nbegin\n  Put(1, 2); Put(3);\nend;\n" // 12-15
                              "procedure Later; forward;\n"                         // 16
                              "procedure Later;\nbegin\nend;\n"                     // 17-19
                              "end.\n";
    row("overload by argument count", QStringList{overloads}, "u7:14:Put", "Put~2");
    row("overload, first", QStringList{overloads}, "u7:14:Put#2", "Put");
    const QString calls = "u31.pas|unit u31;\ninterface\n"               // 1-2
                          "procedure Put(a: Integer); overload;\n"       // 3
                          "procedure Put(a, b: Integer); overload;\n"    // 4
                          "implementation\n"                             // 5
                          "procedure Put(a: Integer);\nbegin\nend;\n"    // 6-8
                          "procedure Put(a, b: Integer);\nbegin\nend;\n" // 9-11
                          "procedure Use;\nbegin\n"                      // 12-13
                          "  Put(Put(1, 2));\n"                          // 14
                          "  Put([1, 2], (3));\n"                        // 15
                          "  Put(1, 2;\n"                                // 16
                          "end;\nend.\n";
    row("overload: the call around a call", QStringList{calls}, "u31:14:Put", "Put");
    row("overload: the call inside a call", QStringList{calls}, "u31:14:Put#2", "Put~2");
    row("overload: brackets among the arguments", QStringList{calls}, "u31:15:Put", "Put~2");
    row("overload: a bracket the statement leaves open", QStringList{calls}, "u31:16:Put", "Put");
    const QString sameCount = "u13.pas|unit u13;\ninterface\n"                     // 1-2
                              "procedure Put(a: Integer); overload;\n"             // 3
                              "procedure Put(a: string); overload;\n"              // 4
                              "implementation\ninitialization\n  Put(1);\nend.\n"; // 5-8
    row("overloads of one count stay plain", QStringList{sameCount}, "u13:7:Put", "-");
    row("overload body", QStringList{overloads}, "u7:9:Put", "Put~2");
    const QString typed = "u16.pas|unit u16;\ninterface\n"                                // 1-2
                          "type TFoo = class\n"                                           // 3
                          "  procedure Put(a: Integer); overload;\n"                      // 4
                          "  procedure Put(a: string); overload;\n"                       // 5
                          "end;\n"                                                        // 6
                          "procedure Say(a: Integer); overload;\n"                        // 7
                          "procedure Say(a: string = \'\'); overload;\n"                  // 8
                          "implementation\n"                                              // 9
                          "procedure TFoo.Put(a: Integer);\nvar n: Integer;\n"            // 10-11
                          "begin\nend;\n"                                                 // 12-13
                          "procedure TFoo.Put(a: string);\nvar n: Integer;\n"             // 14-15
                          "begin\n  n := 1;\nend;\n"                                      // 16-18
                          "procedure Say(a: Integer);\nbegin\nend;\n"                     // 19-21
                          "procedure Say(a: string);\nbegin\n  a := \'\';\nend;\nend.\n"; // 22-26
    row("overloads of one count: a method body by its types", {typed}, "u16:14:Put", "TFoo.Put~2");
    row("overloads of one count: the body's own locals", {typed}, "u16:17:n", "TFoo.Put~2.n");
    row("overloads of one count: a routine body by its types", {typed}, "u16:22:Say", "Say~2");
    row("overloads of one count: the body's parameter", {typed}, "u16:24:a", "Say~2.a");
    const QString accessors = "u19.pas|unit u19;\ninterface\ntype TList = class\n"       // 1-3
                              "  function Get(Index: Integer): string;\n"                // 4
                              "  function Get(const Name: string): string;\n"            // 5
                              "  property Items[Index: Integer]: string read Get;\n"     // 6
                              "  property Named[const Name: string]: string read Get;\n" // 7
                              "end;\nimplementation\nend.\n";                            // 8-10
    const QString own = "u24.pas|unit u24;\ninterface\ntype TTool = class\n"             // 1-3
                        "  function Ident(p: PChar): Boolean;\n"                         // 4
                        "  function Ident: Boolean;\nend;\n"                             // 5-6
                        "function dbgs(i: Integer): string; overload;\n"                 // 7
                        "implementation\nuses u25;\n"                                    // 8-9
                        "function TTool.Ident: Boolean;\nbegin\n"                        // 10-11
                        "  Ident := True;\nend;\n"                                       // 12-13
                        "function TTool.Ident(p: PChar): Boolean;\nbegin\n"              // 14-15
                        "  Result := Ident;\n  Writeln(dbgs(1));\nend;\n"                // 16-18
                        "function dbgs(i: Integer): string;\nbegin\nend;\nend.\n";       // 19-22
    const QString rival = "u25.pas|unit u25;\ninterface\n"
                          "function dbgs(b: Boolean): string; overload;\n"
                          "function Twin(i: Integer): Integer;\n"
                          "implementation\nend.\n";
    const QString twin = "u26.pas|unit u26;\ninterface\nuses u25;\n"           // 1-3
                         "function Twin(i: Integer): Integer;\n"               // 4
                         "implementation\ninitialization\n  Twin(1);\nend.\n"; // 5-8
    row("a body header without parameters: the overload without", {own, rival}, "u24:10:Ident",
        "TTool.Ident~2");
    row("a function's name in its own body is its result", {own, rival}, "u24:12:Ident",
        "TTool.Ident~2");
    row("overloads of one count in two units stay plain", {own, rival}, "u24:17:dbgs", "-");
    row("the same parameters in a nearer unit hide the other", {rival, twin}, "u26:7:Twin", "Twin");
    const QString plain = "u28.pas|unit u28;\ninterface\nuses u25;\n"              // 1-3
                          "function dbgs(s: string): string;\n"                    // 4
                          "implementation\ninitialization\n  dbgs(\'\');\nend.\n"; // 5-8
    row("a routine not declared overload hides the other units'", {rival, plain}, "u28:7:dbgs",
        "dbgs");
    row("a function's name in its own body, with an overload without parameters", {own, rival},
        "u24:16:Ident", "TTool.Ident~2");
    row("overloaded reader by the index's type", {accessors}, "u19:6:Get", "TList.Get");
    row("overloaded reader by the index's type, second", {accessors}, "u19:7:Get", "TList.Get~2");
    const QString defaults = "u20.pas|unit u20;\ninterface\n"                         // 1-2
                             "procedure Put(a: Integer; b: Integer = 0);\n"           // 3
                             "procedure Put(a, b, c: string);\n"                      // 4
                             "procedure Say(a: Integer);\n"                           // 5
                             "implementation\ninitialization\n"                       // 6-7
                             "  Put(1); Say(1, 2); Say(1); Put(1, 2, 3, 4);\nend.\n"; // 8-9
    row("a call that leaves out a default parameter", {defaults}, "u20:8:Put", "Put");
    row("a call no overload takes stays plain", {defaults}, "u20:8:Say", "-");
    row("a call no overload takes stays plain, overloads", {defaults}, "u20:8:Put#2", "-");
    row("a call that fits links", {defaults}, "u20:8:Say#2", "Say");
    const QString shortString = "u21.pas|unit u21;\ninterface\n"                        // 1-2
                                "const Len = 17;\n"                                     // 3
                                "  Names: array[0..1] of string[Len] = (\'\', \'\');\n" // 4
                                "type TKind = (kOne, kTwo);\n"                          // 5
                                "var S: string[Len]; K: TKind;\n"                       // 6
                                "implementation\nend.\n";                               // 7-8
    row("string[N]: its length", {shortString}, "u21:4:Len", "Len");
    row("string[N]: the type after its constant", {shortString}, "u21:6:TKind", "TKind");
    row("forward", QStringList{overloads}, "u7:17:Later", "Later");

    const QString nested = "u8.pas|program u8;\n"           // 1
                           "var n: Integer;\n"              // 2
                           "procedure Outer(n: Integer);\n" // 3
                           "  procedure Inner;\n"           // 4
                           "  begin\n"                      // 5
                           "    n := 2;\n"                  // 6
                           "  end;\n"                       // 7
                           "begin\n"                        // 8
                           "  Inner;\n"                     // 9
                           "end;\n"                         // 10
                           "begin\n"                        // 11
                           "  n := 1; Outer(n);\n"          // 12
                           "end.\n";
    row("nested routine sees the outer one's parameter", QStringList{nested}, "u8:6:n", "Outer.n");
    row("program variable", QStringList{nested}, "u8:12:n", "n");
    row("nested routine", QStringList{nested}, "u8:9:Inner", "Outer.Inner");

    const QString conditions = "u9.pas|unit u9;\n"                                    // 1
                               "{$mode objfpc}\n"                                     // 2
                               "interface\n"                                          // 3
                               "{$IFDEF LINUX}\n"                                     // 4
                               "var A: Integer;\n"                                    // 5
                               "{$ELSE}\n"                                            // 6
                               "var A: Word;\n"                                       // 7
                               "{$ENDIF}\n"                                           // 8
                               "{$IFNDEF FPC_OBJFPC}var B: Integer;{$ENDIF}\n"        // 9
                               "{$DEFINE MINE}{$IFDEF MINE}var C: Integer;{$ENDIF}\n" // 10
                               "implementation\n"                                     // 11
                               "initialization\n"                                     // 12
                               "  A := 1; C := 2;\n"                                  // 13
                               "{$IFDEF WINDOWS}\n"                                   // 14
                               "  A := 3;\n"                                          // 15
                               "{$ENDIF}\n"                                           // 16
                               "end.\n";
    row("active branch", QStringList{conditions}, "u9:13:A", "A");
    row("inactive branch stays plain", QStringList{conditions}, "u9:15:A", "-");
    row("own define", QStringList{conditions}, "u9:13:C", "C");
    // Conditions nested past any real one are undecided, before the stack runs out.
    const QString deep = "u15.pas|unit u15;\ninterface\n"
                         "{$IF ((((1=1))))}var B: Integer;{$ENDIF}\n"
                         "{$IF " +
                         QString("(").repeated(100000) + "1=1" + QString(")").repeated(100000) +
                         "}const D = B;{$ENDIF}\n"
                         "{$IF " +
                         QString("not ").repeated(100000) +
                         "false}const E = B;{$ENDIF}\n"
                         "implementation\ninitialization\n  B := 2;\nend.\n";
    row("condition in brackets", QStringList{deep}, "u15:8:B", "B");
    row("condition nested too deep", QStringList{deep}, "u15:4:B", "-");
    row("not nested too deep", QStringList{deep}, "u15:5:B", "-");
    const QString doubt = "u22.pas|unit u22;\ninterface\n"                                    // 1-2
                          "{$IF DEFINED(MSWINDOWS) AND NOT DECLARED(X)}{$DEFINE W}{$ENDIF}\n" // 3
                          "{$IF DECLARED(Y)}{$DEFINE MAYBE}{$ENDIF}\n"                        // 4
                          "{$IFDEF W}var A: Integer;{$ELSE}var C: Integer;{$ENDIF}\n"         // 5
                          "{$IFDEF MAYBE}var B: Integer;{$ENDIF}\n"                           // 6
                          "implementation\ninitialization\n  C := 1; B := 2;\nend.\n"; // 7-10
    row("a condition decided by its known side", {doubt}, "u22:9:C", "C");
    row("a symbol defined in an undecided branch is in doubt", {doubt}, "u22:9:B", "-");

    // Lines inside a comment that began on an earlier line are read by the scan, whatever
    // they hold.
    const QString comments = "u23.pas|unit u23;\ninterface\n"                    // 1-2
                             "{$define Mine}\n"                                  // 3
                             "{$ifdef mine}var A: Integer;{$endif}\n"            // 4
                             "var B: Integer;\nimplementation\ninitialization\n" // 5-7
                             "  (* a comment\n"                                  // 8
                             "  Zz; A := 1; *) B := 2;\n"                        // 9
                             "  { another\n"                                     // 10
                             "  Zz; A := 3; } B := 4;\n"                         // 11
                             "  A := 5;\n"                                       // 12
                             "end.\n";
    row("lower-case directives", {comments}, "u23:12:A", "A");
    row("a line in a comment opened by (* before it", {comments}, "u23:9:A", "-");
    row("a line in a comment opened by { before it", {comments}, "u23:11:A", "-");
    row("code after a comment closed in its line", {comments}, "u23:11:B", "B");

    const QString included = "u12.pas|unit u12;\n"                       // 1
                             "interface\n"                               // 2
                             "{$I defs.inc}\n"                           // 3
                             "{$IFDEF FROMINC}var A: Integer;{$ENDIF}\n" // 4
                             "implementation\n"                          // 5
                             "initialization\n"                          // 6
                             "  A := 1; B := 2;\n"                       // 7
                             "end.\n";
    const QString defs = "defs.inc|{$DEFINE FROMINC}\nvar B: Integer;\n";
    row("define in an include file", {included, defs}, "u12:7:A", "A");
    row("declared in an include file: no page to link to", {included, defs}, "u12:7:B", "-");

    const QString generics = "u10.pas|unit u10;\n"                     // 1
                             "{$mode objfpc}\n"                        // 2
                             "interface\n"                             // 3
                             "type\n"                                  // 4
                             "  generic TBox<T> = class\n"             // 5
                             "    Item: T;\n"                          // 6
                             "    procedure Put(const AItem: T);\n"    // 7
                             "  end;\n"                                // 8
                             "  TIntBox = specialize TBox<Integer>;\n" // 9
                             "implementation\n"                        // 10
                             "procedure TBox.Put(const AItem: T);\n"   // 11
                             "begin\n"                                 // 12
                             "  Item := AItem;\n"                      // 13
                             "end;\n"                                  // 14
                             "end.\n";
    row("generic parameter", QStringList{generics}, "u10:6:T", "TBox.T");
    row("specialize", QStringList{generics}, "u10:9:TBox", "TBox");
    row("generic method body", QStringList{generics}, "u10:13:Item", "TBox.Item");

    const QString members = "u11.pas|unit u11;\n"                 // 1
                            "interface\n"                         // 2
                            "uses u1;\n"                          // 3
                            "var B: TBase;\n"                     // 4
                            "implementation\n"                    // 5
                            "procedure P;\n"                      // 6
                            "var R: record Left: Integer; end;\n" // 7
                            "begin\n"                             // 8
                            "  B.Bump; R.Left := 1;\n"            // 9
                            "  with B do Bump;\n"                 // 10
                            "end;\n"                              // 11
                            "end.\n";
    row("member through a variable's type", QStringList{u1, members}, "u11:9:Bump",
        "u1/TBase.Bump");
    row("member of an anonymous record", QStringList{u1, members}, "u11:9:Left", "P.R.Left");
    row("with", QStringList{u1, members}, "u11:10:Bump", "u1/TBase.Bump");
    const QString implicit = "u18.pas|unit u18;\ninterface\n"                // 1-2
                             "type TNode = class\n  Next: TNode;\n"          // 3-4
                             "  function Last: TNode;\nend;\n"               // 5-6
                             "implementation\nfunction TNode.Last: TNode;\n" // 7-8
                             "begin\n  Result := Self.Next;\n"               // 9-10
                             "  with Result do Result := Result.Next;\n"     // 11
                             "end;\nend.\n";                                 // 12-13
    row("member through Self", {implicit}, "u18:10:Next", "TNode.Next");
    const QString made = "u27.pas|unit u27;\ninterface\ntype TReader = class\n"         // 1-3
                         "  procedure Read;\n  constructor Create(A: Integer);\nend;\n" // 4-6
                         "implementation\nprocedure P;\nbegin\n"                        // 7-9
                         "  with TReader.Create(1) do Read;\n"                          // 10
                         "  TReader.Create(2).Read;\nend;\nend.\n";                     // 11-13
    row("with a constructor's object", {made}, "u27:10:Read", "TReader.Read");
    const QString withs = "u30.pas|unit u30;\ninterface\n"                     // 1-2
                          "type TA = class procedure Alpha; end;\n"            // 3
                          "  TB = class procedure Beta; end;\n"                // 4
                          "var A: TA; B: TB;\nimplementation\n"                // 5-6
                          "procedure Alpha; begin end;\nprocedure P;\nbegin\n" // 7-9
                          "  with A do begin with B do Beta; Alpha; end;\n"    // 10
                          "  Alpha;\nend;\nend.\n";                            // 11-13
    row("with inside a with", {withs}, "u30:10:Beta", "TB.Beta");
    row("with again once the one inside it ends", {withs}, "u30:10:Alpha", "TA.Alpha");
    row("no with once it ends", {withs}, "u30:11:Alpha", "Alpha");
    row("member of a constructor's object", {made}, "u27:11:Read", "TReader.Read");
    row("member through Result", {implicit}, "u18:11:Next", "TNode.Next");

    const QString steps = "u14.pas|unit u14;\ninterface\n"                                // 1-2
                          "type PRec = ^TRec;\n"                                          // 3
                          "  TRec = record Size: Integer; end;\n"                         // 4
                          "  TList = class\n"                                             // 5
                          "    function Get(i: Integer): PRec;\n"                         // 6
                          "    property Items[i: Integer]: PRec read Get;\n"              // 7
                          "  end;\n"                                                      // 8
                          "var P: PRec; A: array of TRec; L: TList;\n"                    // 9
                          "implementation\ninitialization\n"                              // 10-11
                          "  P^.Size := A[0].Size + L.Items[1]^.Size + L.Get(2)^.Size;\n" // 12
                          "  P.Size := TRec(P^).Size;\n"                                  // 13
                          "end.\n";
    row("through a pointer", QStringList{steps}, "u14:12:Size", "TRec.Size");
    row("through an array", QStringList{steps}, "u14:12:Size#2", "TRec.Size");
    row("through an indexed property", QStringList{steps}, "u14:12:Size#3", "TRec.Size");
    row("through a call's result", QStringList{steps}, "u14:12:Size#4", "TRec.Size");
    row("a pointer without ^ stays plain", QStringList{steps}, "u14:13:Size", "-");
    row("through a type cast", QStringList{steps}, "u14:13:Size#2", "TRec.Size");
}

void TestXref::links() {
    QFETCH(QStringList, sources);
    QFETCH(QString, where);
    QFETCH(QString, target);
    TRun run;
    Build(run, sources);
    QCOMPARE(LinkOf(run, where), target);
}

void TestXref::ids() {
    TRun run;
    Build(run, {"a.pas|unit a;\n"
                "interface\n"
                "type TFoo = class\n"
                "  procedure Bump(n: Integer); overload;\n"
                "  procedure Bump; overload;\n"
                "end;\n"
                "const L12 = 1;\n"
                "type TE = (eOne, eTwo);\n"
                "resourcestring SHello = 'hi';\n"
                // Paths differ in letter case only, the Kelvin sign lowers to "k".
                "var Cnt, CNT, Счёт, СЧЁТ, \u212A, k: Integer;\n"
                "implementation\n"
                "procedure TFoo.Bump(n: Integer);\n"
                "var k: Integer;\n"
                "label done;\n"
                "begin\n"
                "end;\n"
                "procedure TFoo.Bump;\n"
                "begin\n"
                "end;\n"
                "end.\n",
                // A path met as a dotted unit name and as a member's, and one above ASCII
                // whose parts differ in letter case.
                "b.pas|unit Foo.Bar;\n"
                "interface\n"
                "type Foo = record Bar: Integer; end;\n"
                "  Ёж = record Поле, ПОЛЕ: Integer; end;\n"
                "implementation\n"
                "end.\n"});
    QStringList ids;
    for (const TDecl& decl : run.Project.Unit(0).Decls)
        ids << decl.Id.toString();
    QCOMPARE(ids, (QStringList{"a", "TFoo", "TFoo.Bump", "TFoo.Bump.n", "TFoo.Bump~2", "L12~1",
                               "TE", "eOne", "eTwo", "SHello", "Cnt", "CNT~2", "Счёт", "СЧЁТ~2",
                               "\u212A", "k~2", "TFoo.Bump.k", "TFoo.Bump.done"}));
    ids.clear();
    for (const TDecl& decl : run.Project.Unit(1).Decls)
        ids << decl.Id.toString();
    QCOMPARE(ids, (QStringList{"Foo.Bar", "Foo", "Foo.Bar~2", "Ёж", "Ёж.Поле", "Ёж.ПОЛЕ~2"}));
}

void TestXref::ordinals_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("ordinal");
    // The page counts every name of a line outside comments, directives and strings.
    QTest::newRow("after a comment") << "Aa := 1; { Zz } Bb := 2;"
                                     << "Bb" << 1;
    QTest::newRow("after a branch not read") << "{$IFDEF WINDOWS}Aa := Zz;{$ELSE}Bb := 2;{$ENDIF}"
                                             << "Bb" << 2;
    QTest::newRow("after a branch not read, in code alone")
        << "{$IFDEF WINDOWS}Aa Zz{$ENDIF} Bb := 2;"
        << "Bb" << 2;
    QTest::newRow("a line's last branch read")
        << "{$IFDEF WINDOWS}Aa := 1;{$ENDIF}{$IFDEF LINUX}Bb := 2;"
        << "Bb" << 1;
    // Names and blanks are passed over eight units at a time where they run that long.
    QTest::newRow("after a name of many units") << "Abcdefghijklmnopq_19 := Bb;"
                                                << "Bb" << 1;
    QTest::newRow("a name of many units") << "Aa := Abcdefghijklmnopq_19;"
                                          << "Abcdefghijklmnopq_19" << 1;
    QTest::newRow("a long name at the line's end") << "Aa := Bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb"
                                                   << "Bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb" << 1;
    QTest::newRow("names above ASCII") << "Счётчик1 := Имя_переменной + Zz;"
                                       << "Zz" << 2;
    QTest::newRow("a name above ASCII after eight") << "Aa := ЁжикВТуманеПоЛесу;"
                                                    << "ЁжикВТуманеПоЛесу" << 1;
    QTest::newRow("after blanks and tabs") << "Aa \t\t                 \t  \f Bb"
                                           << "Bb" << 1;
    QTest::newRow("after numbers of every kind")
        << "Aa := $1F + 1.5e+3 + 7E2 + #13 + #$0A + %101 + &17 + Bb;"
        << "Bb" << 1;
    QTest::newRow("an escaped word") << "&Begin := Zz;"
                                     << "Zz" << 1;
    QTest::newRow("after operators that open nothing") << "Aa := Bb * Cc / Dd;"
                                                       << "Dd" << 3;
    QTest::newRow("after a comment of two slashes, in code alone") << "Aa := Bb; // Cc Dd"
                                                                   << "Bb" << 1;
    // Names of up to eight units are read with the units after them.
    QTest::newRow("a name of eight units") << "Aa := Abcdefgh + Zz;"
                                           << "Abcdefgh" << 1;
    QTest::newRow("a name of nine units") << "Abcdefgh := Abcdefghi;"
                                          << "Abcdefghi" << 1;
    QTest::newRow("after a name of eight units before a comment") << "Abcdefgh{Zz}Bb := 1;"
                                                                  << "Bb" << 1;
    QTest::newRow("a name of eight units before a string") << "Aa := Abcdefgh'Zz';"
                                                           << "Abcdefgh" << 1;
    QTest::newRow("a name above ASCII of eight units") << "Aa := АбвгдеёЖ;"
                                                       << "АбвгдеёЖ" << 1;
}

void TestXref::ordinals() {
    QFETCH(QString, line);
    QFETCH(QString, name);
    QFETCH(int, ordinal);
    TXrefSource source;
    ReadXrefSource(source, "unit u;\ninterface\nimplementation\ninitialization\n" + line +
                               "\n{$ENDIF}\nend.\n");
    const auto token = std::find_if(source.Tokens.begin(), source.Tokens.end(),
                                    [&](const TXrefToken& t) { return source.Text(t) == name; });
    QVERIFY(token != source.Tokens.end());
    QCOMPARE(token->Line, 5);
    QCOMPARE(token->Ordinal, ordinal);
    QCOMPARE(token->Lower(), name.toLower());
}

// Every name in lower case, one copy of each, with what the parse asks of it, whatever its
// length, its letter case and where it ends: also at the text's very end, where no units
// follow it.
void TestXref::names() {
    for (const QString last : {"Zz", "Abcdefgh", "Abcdefghijk"}) {
        TXrefSource source;
        ReadXrefSource(source, "unit u;\ninterface\nvar Abc, ABC, Abcdefgh, ABCDEFGH, "
                               "Abcdefghijk, ABCDEFGHIJK, Zz, ZZ, Ёж, ЁЖ: Integer;\n"
                               "implementation\nBEGIN if Zz Then Zz\n" +
                                   last);
        QHash<QString, const QString*> kept;
        int read = 0;
        for (const TXrefToken& t : source.Tokens) {
            if (t.Kind != TXrefToken::TKind::Name)
                continue;
            const QString lower = source.Text(t).toString().toLower();
            QCOMPARE(t.Lower(), lower);
            QCOMPARE(kept.value(lower, &t.Lower()), &t.Lower());
            kept.insert(lower, &t.Lower());
            QCOMPARE(t.Reserved, lower == u"unit" || lower == u"interface" || lower == u"var" ||
                                     lower == u"implementation" || lower == u"begin" ||
                                     lower == u"if" || lower == u"then");
            QCOMPARE(bool(t.Words & kXrefBlockEdge), lower == u"begin");
            QCOMPARE(bool(t.Words & kXrefEndsExpression), lower == u"then" || lower == u"begin");
            read += source.Text(t) == last ? 1 : 0;
        }
        QCOMPARE(read, last == u"Zz" ? 4 : 2);
    }
}

void TestXref::lines_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    // Breaks are found sixteen units at a time: some lie on either side of such a block's edge,
    // or before the last sixteen units, which are looked at again.
    QTest::newRow("LF") << "ab\ncd\n" << QStringList{"ab", "cd"};
    QTest::newRow("no break at the end") << "ab\ncd" << QStringList{"ab", "cd"};
    QTest::newRow("CR alone") << "abcdefgh\rij\r\rk" << QStringList{"abcdefgh", "ij", "", "k"};
    QTest::newRow("CR LF across eight units") << "abcdefg\r\nhijklmnopqrstu\r\n"
                                              << QStringList{"abcdefg", "hijklmnopqrstu"};
    QTest::newRow("breaks past sixteen units")
        << "abcdefghijklmnopqrstuvwxyz\r\n0123456789abcdefghi\rjklmnopqrst\nX"
        << QStringList{"abcdefghijklmnopqrstuvwxyz", "0123456789abcdefghi", "jklmnopqrst", "X"};
    QTest::newRow("a text's last units looked at with a break before them")
        << "abcdefghijklmnopqrs\ntu\nv" << QStringList{"abcdefghijklmnopqrs", "tu", "v"};
    QTest::newRow("LF CR") << "abcdefghijklmno\n\rp" << QStringList{"abcdefghijklmno", "", "p"};
    QTest::newRow("empty lines") << "\n\n\r\n" << QStringList{"", "", ""};
    QTest::newRow("a unit ending in 0D or 0A")
        << QString::fromUtf8("ЍਊЊ\nx") << QStringList{QString::fromUtf8("ЍਊЊ"), "x"};
}

void TestXref::lines() {
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QStringList split;
    for (const QStringView line : SplitSourceLines(text))
        split << line.toString();
    QCOMPARE(split, lines);
}

void TestXref::decoding_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("unmarked");
    QTest::addColumn<QString>("text");
    const auto row = [](const char* name, const QByteArray& bytes, TUnmarkedSource unmarked,
                        const QString& text) {
        QTest::newRow(name) << bytes << int(unmarked) << text;
    };
    const char asciiBytes[] = "unit u;\tx := #0;\r\n\0end.";
    const QByteArray ascii(asciiBytes, sizeof asciiBytes - 1);
    const QString asciiText = QString::fromLatin1(ascii);
    row("ASCII", ascii, TUnmarkedSource::Auto, asciiText);
    row("ASCII as windows-1251", ascii, TUnmarkedSource::Windows1251, asciiText);
    row("ASCII as UTF-8", ascii, TUnmarkedSource::Utf8, asciiText);
    row("UTF-8", "x := '\xD0\x81';", TUnmarkedSource::Auto, QString::fromUtf8("x := 'Ё';"));
    row("not UTF-8: windows-1251", "x := '\xA8';", TUnmarkedSource::Auto,
        QString::fromUtf8("x := 'Ё';"));
    row("UTF-8 as windows-1251", "'\xD0\x81'", TUnmarkedSource::Windows1251,
        QString::fromUtf8("'РЃ'"));
    row("marked UTF-8", "\xEF\xBB\xBFx", TUnmarkedSource::Windows1251, "x");
    row("marked UTF-16", QByteArray("\xFF\xFEx\0y\0", 6), TUnmarkedSource::Auto, "xy");
}

void TestXref::decoding() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, unmarked);
    QFETCH(QString, text);
    QCOMPARE(DecodeSource(bytes, TUnmarkedSource(unmarked)), text);
    // A room still shared keeps what it holds.
    const QString kept = QStringLiteral("kept text longer than the source");
    QString room = kept;
    room.reserve(1000);
    const QString shared = room;
    QCOMPARE(DecodeSource(bytes, TUnmarkedSource(unmarked), room), text);
    QCOMPARE(shared, kept);
    QCOMPARE(DecodeSource(bytes, TUnmarkedSource(unmarked), std::move(room)), text);
    QCOMPARE(shared, kept);
}

// Nesting deep enough to exhaust a worker's stack, were the parse to follow it (statements,
// type arguments), a method body inside its own body, thousands of declarations of one name,
// each a body looking for its forward declaration, and calls nested in calls, each counting
// its arguments: the parse ends, the lookups end.
void TestXref::hostileNesting() {
    TRun run;
    Build(run,
          {"deep.pas|program deep;\nbegin\n" + QString("begin ").repeated(100000) +
               QString(" end").repeated(100000) + ".\n",
           "cyc.pas|unit cyc;\ninterface\ntype TFoo = class procedure Bump; end;\n"
           "implementation\nprocedure TFoo.Bump;\n procedure TFoo.Bump;\n begin Bump; "
           "end;\nbegin Bump; end;\nend.\n",
           "many.pas|program many;\nprocedure F; overload; begin end;\n" +
               QString("procedure F(a: Integer); overload; begin end;\n").repeated(30000) +
               "begin\n" + QString("F;\n").repeated(30000) + "end.\n",
           "gen.pas|program gen;\n{$mode delphi}\ntype T = " +
               QString("specialize TFoo<").repeated(100000) + "Integer" +
               QString(">").repeated(100000) + ";\nbegin end.\n",
           "calls.pas|program calls;\nfunction F(a: Integer): Integer; begin end;\n"
           "begin\n  F(" +
               QString("F(").repeated(100000) + "1" + QString(")").repeated(100001) + ";\nend.\n"});
    QCOMPARE(LinkOf(run, "cyc:8:Bump"), QStringLiteral("TFoo.Bump"));
    QCOMPARE(LinkOf(run, "many:30004:F"), QStringLiteral("F"));
    QCOMPARE(LinkOf(run, "calls:4:F"), QStringLiteral("F"));
}

QTEST_APPLESS_MAIN(TestXref)
#include "test_xref.moc"
