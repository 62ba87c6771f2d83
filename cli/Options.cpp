#include "Options.h"

namespace {

// Options that take a value, and the field each one fills.
QString* ValueField(const QString& name, TOptions& o) {
    if (name == "-o" || name == "--output")
        return &o.Output;
    if (name == "--tags")
        return &o.TagsFile;
    if (name == "--after")
        return &o.AfterFile;
    if (name == "--before")
        return &o.BeforeFile;
    if (name == "--settings")
        return &o.SettingsFile;
    return nullptr;
}

// The switches that make a folder of pages a site; false when `name` is none of them.
bool SiteSwitch(const QString& name, TOptions& o) {
    const bool all = name == "--site";
    if (!all && name != "--index" && name != "--line-anchors" && name != "--line-numbers" &&
        name != "--link-units")
        return false;
    o.Index |= all || name == "--index";
    o.LineNumbers |= all || name == "--line-numbers";
    o.LineAnchors |= all || name == "--line-anchors" || o.LineNumbers;
    o.LinkUnits |= all || name == "--link-units";
    return true;
}

} // namespace

TParseResult ParseOptions(const QStringList& arguments, TOptions& options, QString& error) {
    bool onlySources = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        QString arg = arguments[i];
        if (onlySources || arg == "-" || !arg.startsWith('-')) {
            options.Sources << arg;
            continue;
        }
        if (arg == "--") {
            onlySources = true;
            continue;
        }
        // "--name=value" and "-j4" forms
        QString inlineValue;
        bool hasInline = false;
        if (arg.startsWith("--") && arg.contains('=')) {
            inlineValue = arg.mid(arg.indexOf('=') + 1);
            arg = arg.left(arg.indexOf('='));
            hasInline = true;
        } else if (arg.size() > 2 && !arg.startsWith("--") && (arg[1] == 'j' || arg[1] == 'o')) {
            inlineValue = arg.mid(2);
            arg = arg.left(2);
            hasInline = true;
        }
        auto takeValue = [&](QString& into) {
            if (hasInline) {
                into = inlineValue;
                return true;
            }
            if (i + 1 >= arguments.size()) {
                error = QStringLiteral("параметру %1 нужно значение").arg(arg);
                return false;
            }
            into = arguments[++i];
            return true;
        };

        if (!hasInline && SiteSwitch(arg, options))
            continue;
        if (arg == "-h" || arg == "--help")
            return TParseResult::Help;
        if (arg == "--version")
            return TParseResult::Version;
        if (arg == "-q" || arg == "--quiet") {
            options.Quiet = true;
        } else if (arg == "-v" || arg == "--verbose") {
            options.Verbose = true;
        } else if (QString* field = ValueField(arg, options)) {
            if (!takeValue(*field))
                return TParseResult::Error;
        } else if (arg == "--title") {
            QString title;
            if (!takeValue(title))
                return TParseResult::Error;
            options.Title = title;
        } else if (arg == "-j" || arg == "--jobs") {
            QString jobs;
            if (!takeValue(jobs))
                return TParseResult::Error;
            bool ok = false;
            options.Jobs = jobs.toInt(&ok);
            if (!ok || options.Jobs < 1) {
                error = QStringLiteral("-j: нужно целое число не меньше 1, а не «%1»").arg(jobs);
                return TParseResult::Error;
            }
        } else {
            error = QStringLiteral("неизвестный параметр %1").arg(arg);
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
        "Превращает исходные тексты Pascal (*.pas, *.dfm, *.dpr) в HTML-страницы.\n"
        "\n"
        "ИСТОЧНИК: файл .pas, .dfm или .dpr, папка (все такие файлы в ней и во вложенных\n"
        "папках) или - (стандартный ввод; страница идёт в стандартный вывод, если -o не\n"
        "называет файл). Страница пишется рядом с исходным файлом под именем ИМЯ_pas.htm,\n"
        "ИМЯ_dfm.htm или ИМЯ.htm, в кодировке исходного файла; старая страница заменяется.\n"
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
        "  --link-units     имена модулей в uses и {$R *.dfm} ведут на их страницы, если\n"
        "                   те пишутся в этой же работе\n"
        "  --site           всё это сразу: --index --line-numbers --link-units\n"
        "  -q, --quiet      без строки хода работы и сообщений о пустых файлах\n"
        "  -v, --verbose    называть каждую записанную страницу\n"
        "  -h, --help       эта справка\n"
        "      --version    версия\n"
        "\n"
        "Код завершения: 0, если все страницы записаны (пустые файлы пропускаются),\n"
        "1, если какой-то источник не удалось конвертировать, 2 при ошибке в параметрах.\n");
}
