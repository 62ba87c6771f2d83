#include "Options.h"

#include "SourceTypes.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace {

// The parser's own words for a bad option are English; only the option's name is taken
// from them. Qt writes "Missing value after '-o'." and "Unexpected value after '--quiet'.".
QString QuotedOption(const QString& errorText) {
    const QRegularExpressionMatch m = QRegularExpression("'([^']*)'").match(errorText);
    return m.hasMatch() ? m.captured(1) : errorText;
}

QString Dashed(const QString& name) {
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

} // namespace

TParseResult ParseOptions(const QStringList& arguments, TOptions& options, QString& error) {
    QCommandLineParser parser;
    const QCommandLineOption output({"o", "output"}, {}, "PATH");
    const QCommandLineOption tags("tags", {}, "FILE");
    const QCommandLineOption after("after", {}, "FILE");
    const QCommandLineOption before("before", {}, "FILE");
    const QCommandLineOption settings("settings", {}, "FILE");
    const QCommandLineOption title("title", {}, "TEXT");
    const QCommandLineOption types("types", {}, "LIST");
    const QCommandLineOption jobs({"j", "jobs"}, {}, "N");
    const QCommandLineOption quiet(QStringList{"q", "quiet"});
    const QCommandLineOption verbose(QStringList{"v", "verbose"});
    const QCommandLineOption help(QStringList{"h", "help"});
    const QCommandLineOption version("version");
    // Publishing a folder as a site; --site is all four.
    const QCommandLineOption index("index");
    const QCommandLineOption lineAnchors("line-anchors");
    const QCommandLineOption lineNumbers("line-numbers");
    const QCommandLineOption linkUnits("link-units");
    const QCommandLineOption site("site");
    parser.addOptions({output, tags, after, before, settings, title, types, jobs, quiet, verbose,
                       help, version, index, lineAnchors, lineNumbers, linkUnits, site});

    if (!parser.parse(arguments)) {
        if (!parser.unknownOptionNames().isEmpty()) {
            error = QStringLiteral("неизвестный параметр %1")
                        .arg(Dashed(parser.unknownOptionNames().constFirst()));
        } else {
            const QString name = QuotedOption(parser.errorText());
            const bool takesValue =
                !QStringList{
                    "-q",           "--quiet",   "-v",      "--verbose",      "-h",
                    "--help",       "--version", "--index", "--line-anchors", "--line-numbers",
                    "--link-units", "--site"}
                     .contains(name);
            error = takesValue ? QStringLiteral("параметру %1 нужно значение").arg(name)
                               : QStringLiteral("параметру %1 не нужно значение").arg(name);
        }
        return TParseResult::Error;
    }
    if (parser.isSet(help))
        return TParseResult::Help;
    if (parser.isSet(version))
        return TParseResult::Version;

    options.Sources = parser.positionalArguments();
    options.Output = parser.value(output);
    options.TagsFile = parser.value(tags);
    options.AfterFile = parser.value(after);
    options.BeforeFile = parser.value(before);
    options.SettingsFile = parser.value(settings);
    if (parser.isSet(title))
        options.Title = parser.value(title);
    options.Types = SourceTypeNames();
    if (parser.isSet(types)) {
        options.Types = parser.value(types).toLower().split(u',');
        for (const QString& type : options.Types)
            if (!SourceTypeNames().contains(type)) {
                error = QStringLiteral("--types: «%1» не тип исходного файла (можно: %2)")
                            .arg(type, SourceTypeNames().join(u','));
                return TParseResult::Error;
            }
    }
    options.Quiet = parser.isSet(quiet);
    options.Verbose = parser.isSet(verbose);
    const bool all = parser.isSet(site);
    options.Index = all || parser.isSet(index);
    options.LineNumbers = all || parser.isSet(lineNumbers);
    options.LineAnchors = options.LineNumbers || parser.isSet(lineAnchors);
    options.LinkUnits = all || parser.isSet(linkUnits);
    if (parser.isSet(jobs)) {
        const QString text = parser.value(jobs);
        bool ok = false;
        options.Jobs = text.toInt(&ok);
        if (!ok || options.Jobs < 1) {
            error = QStringLiteral("-j: нужно целое число не меньше 1, а не «%1»").arg(text);
            return TParseResult::Error;
        }
    }
    if (options.Sources.isEmpty()) {
        error = QStringLiteral("не указан ни один файл или папка");
        return TParseResult::Error;
    }
    return TParseResult::Run;
}

QString UsageText() {
    return QStringLiteral(
        "Использование: pas2html [ПАРАМЕТРЫ] ИСТОЧНИК...\n"
        "Превращает исходные тексты Pascal (*.pas, *.pp, *.p, *.dpr, *.lpr, *.dpk, *.inc,\n"
        "*.dfm, *.lfm) в HTML-страницы.\n"
        "\n"
        "ИСТОЧНИК: файл одного из этих типов, папка (все такие файлы в ней и во вложенных\n"
        "папках) или - (стандартный ввод; страница идёт в стандартный вывод, если -o не\n"
        "называет файл). Страница пишется рядом с исходным файлом под именем ИМЯ_pas.htm,\n"
        "ИМЯ_dfm.htm, ИМЯ.htm (.dpr, .lpr, .dpk) или ИМЯ_тип.htm (ИМЯ_pp.htm, ИМЯ_inc.htm,\n"
        "ИМЯ_lfm.htm...), в кодировке исходного файла; старая страница заменяется.\n"
        "\n"
        "Параметры:\n"
        "  -o ПУТЬ          для одного файла: сам HTML-файл; иначе папка для страниц,\n"
        "                   каждая по своему пути относительно папки-источника\n"
        "  --tags ФАЙЛ      набор тегов разметки: строки Имя=Значение (Bcom, Ecom, Bres,\n"
        "                   Eres, Bnum, Enum, Bstr, Estr, Bdir, Edir); по умолчанию набор окна\n"
        "  --settings ФАЙЛ  взять настройки окна из его файла настроек (dwelk.ini): набор\n"
        "                   тегов, суффиксы, расширение и включённые фрагменты HTML-2\n"
        "                   (файлы Quorvel_Body_*.txt рядом с ним); --tags, --after и\n"
        "                   --before заменяют взятое оттуда\n"
        "  --types СПИСОК   какие типы брать из папок, через запятую (по умолчанию все:\n"
        "                   pas,pp,p,dpr,lpr,dpk,inc,dfm,lfm)\n"
        "  --title ТЕКСТ    заголовок страницы; по умолчанию имя исходного файла\n"
        "  --after ФАЙЛ     HTML сразу после <body>\n"
        "  --before ФАЙЛ    HTML перед </body>\n"
        "  -j N             сколько файлов конвертировать одновременно (по умолчанию по\n"
        "                   одному на процессор)\n"
        "  --index          после работы записать в папку -o страницу index.htm со списком\n"
        "                   всех записанных страниц (путь, тип, строки, размер, итог)\n"
        "  --line-anchors   у каждой строки кода якорь L<номер>: СТРАНИЦА.htm#L120\n"
        "  --line-numbers   номера строк слева (при копировании кода не копируются);\n"
        "                   включает --line-anchors\n"
        "  --link-units     имена модулей в uses, {$R *.dfm}, {$R *.lfm}, {$R имя.lfm} и\n"
        "                   {$I имя} ведут на их страницы, если те пишутся в этой же работе\n"
        "  --site           всё это сразу: --index --line-numbers --link-units\n"
        "  -q, --quiet      без строки хода работы и сообщений о пустых файлах\n"
        "  -v, --verbose    называть каждую записанную страницу\n"
        "  -h, --help       эта справка\n"
        "      --version    версия\n"
        "\n"
        "Файлы --tags, --after и --before с меткой порядка байтов читаются по ней, без\n"
        "метки - как UTF-8, если это правильный UTF-8, иначе как windows-1251.\n"
        "\n"
        "Код завершения: 0, если все страницы записаны (пустые файлы пропускаются),\n"
        "1, если какой-то источник не удалось конвертировать, 2 при ошибке в параметрах.\n");
}
