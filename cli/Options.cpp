#include "Options.h"

#include "SourceTypes.h"

#include <QStringView>
#include <utility>

namespace {

enum class TWant { Run, Help, Version };

struct TParse {
    TOptions& Options;
    TWant Want = TWant::Run;
};

// One option: its names, the name of its value in the help (none for a switch), its help
// lines, and what it does; Apply returns an error message, or nothing.
struct TOptionSpec {
    const char* Short; // one letter, or empty
    const char* Long;  // without the dashes, or empty
    const char* Value;
    const char* Help;
    QString (*Apply)(TParse& parse, const QString& typed, const QString& value);
};

QString Types(TParse& parse, const QString& typed, const QString& value) {
    parse.Options.Types = value.toLower().split(u',');
    for (const QString& type : parse.Options.Types)
        if (!SourceTypeNames().contains(type))
            return QStringLiteral("%1: «%2» не тип исходного файла (можно: %3)")
                .arg(typed, type, SourceTypeNames().join(u','));
    return {};
}

QString Encoding(TParse& parse, const QString& typed, const QString& value) {
    static const std::pair<const char*, TUnmarkedSource> kRules[] = {
        {"auto", TUnmarkedSource::Auto},
        {"windows-1251", TUnmarkedSource::Windows1251},
        {"utf-8", TUnmarkedSource::Utf8}};
    for (const auto& [name, rule] : kRules)
        if (value.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) {
            parse.Options.Unmarked = rule;
            return {};
        }
    return QStringLiteral("%1: нужно auto, windows-1251 или utf-8, а не «%2»").arg(typed, value);
}

QString Jobs(TParse& parse, const QString& typed, const QString& value) {
    bool ok = false;
    parse.Options.Jobs = value.toInt(&ok);
    if (!ok || parse.Options.Jobs < 1)
        return QStringLiteral("%1: нужно целое число не меньше 1, а не «%2»").arg(typed, value);
    return {};
}

QString Site(TParse& parse, const QString& typed, const QString&) {
    TOptions& o = parse.Options;
    o.Index = o.LineNumbers = o.LineAnchors = o.LinkUnits = true;
    o.IndexOption = typed;
    return {};
}

// Every option, in the order of the help.
constexpr TOptionSpec kOptions[] = {
    {"o", "output", "ПУТЬ",
     "для одного файла: сам HTML-файл; иначе папка для страниц,\n"
     "каждая по своему пути относительно папки-источника",
     [](TParse& p, const QString& typed, const QString& v) {
         p.Options.Output = v;
         p.Options.OutputOption = typed;
         return QString();
     }},
    {"", "tags", "ФАЙЛ",
     "набор тегов разметки: строки Имя=Значение (Bcom, Ecom, Bres,\n"
     "Eres, Bnum, Enum, Bstr, Estr, Bdir, Edir); по умолчанию набор окна",
     [](TParse& p, const QString&, const QString& v) {
         p.Options.TagsFile = v;
         return QString();
     }},
    {"", "settings", "ФАЙЛ",
     "взять настройки окна из его файла настроек (dwelk.ini): набор\n"
     "тегов, суффиксы, расширение и включённые фрагменты HTML-2\n"
     "(файлы Quorvel_Body_*.txt рядом с ним); --tags, --after и\n"
     "--before заменяют взятое оттуда",
     [](TParse& p, const QString&, const QString& v) {
         p.Options.SettingsFile = v;
         return QString();
     }},
    {"", "types", "СПИСОК",
     "какие типы брать из папок, через запятую (по умолчанию все:\n"
     "pas,pp,p,dpr,lpr,dpk,inc,dfm,lfm)",
     Types},
    {"", "encoding", "КОДИРОВКА",
     "как читать исходные файлы без метки порядка байтов: auto (по\n"
     "умолчанию: как UTF-8, если файл - правильный UTF-8 и в нём есть\n"
     "не ASCII-символы, иначе как windows-1251), windows-1251 или utf-8;\n"
     "файл с меткой всегда читается по ней",
     Encoding},
    {"", "title", "ТЕКСТ", "заголовок страницы; по умолчанию имя исходного файла",
     [](TParse& p, const QString&, const QString& v) {
         p.Options.Title = v;
         return QString();
     }},
    {"", "after", "ФАЙЛ", "HTML сразу после <body>",
     [](TParse& p, const QString&, const QString& v) {
         p.Options.AfterFile = v;
         return QString();
     }},
    {"", "before", "ФАЙЛ", "HTML перед </body>",
     [](TParse& p, const QString&, const QString& v) {
         p.Options.BeforeFile = v;
         return QString();
     }},
    {"j", "jobs", "N",
     "сколько файлов конвертировать одновременно (по умолчанию по\n"
     "одному на процессор)",
     Jobs},
    {"", "index", "",
     "после работы записать в папку -o страницу index.htm со списком\n"
     "всех записанных страниц (путь, тип, строки, размер, итог)",
     [](TParse& p, const QString& typed, const QString&) {
         p.Options.Index = true;
         p.Options.IndexOption = typed;
         return QString();
     }},
    {"", "line-anchors", "", "у каждой строки кода якорь L<номер>: СТРАНИЦА.htm#L120",
     [](TParse& p, const QString&, const QString&) {
         p.Options.LineAnchors = true;
         return QString();
     }},
    {"", "line-numbers", "",
     "номера строк слева (при копировании кода не копируются);\n"
     "включает --line-anchors",
     [](TParse& p, const QString&, const QString&) {
         p.Options.LineNumbers = p.Options.LineAnchors = true;
         return QString();
     }},
    {"", "link-units", "",
     "имена модулей в uses, {$R *.dfm}, {$R *.lfm}, {$R имя.lfm} и\n"
     "{$I имя} ведут на их страницы, если те пишутся в этой же работе",
     [](TParse& p, const QString&, const QString&) {
         p.Options.LinkUnits = true;
         return QString();
     }},
    {"", "site", "", "всё это сразу: --index --line-numbers --link-units", Site},
    {"q", "quiet", "", "без строки хода работы и сообщений о пустых файлах",
     [](TParse& p, const QString&, const QString&) {
         p.Options.Quiet = true;
         return QString();
     }},
    {"v", "verbose", "", "называть каждую записанную страницу",
     [](TParse& p, const QString&, const QString&) {
         p.Options.Verbose = true;
         return QString();
     }},
    {"h", "help", "", "эта справка",
     [](TParse& p, const QString&, const QString&) {
         p.Want = TWant::Help;
         return QString();
     }},
    {"", "version", "", "версия",
     [](TParse& p, const QString&, const QString&) {
         if (p.Want == TWant::Run)
             p.Want = TWant::Version;
         return QString();
     }},
};

const TOptionSpec* FindShort(QChar letter) {
    for (const TOptionSpec& spec : kOptions)
        if (spec.Short[0] != 0 && QLatin1Char(spec.Short[0]) == letter)
            return &spec;
    return nullptr;
}

const TOptionSpec* FindLong(QStringView name) {
    for (const TOptionSpec& spec : kOptions)
        if (spec.Long[0] != 0 && name == QLatin1String(spec.Long))
            return &spec;
    return nullptr;
}

bool TakesValue(const TOptionSpec& spec) {
    return spec.Value[0] != 0;
}

class TParser {
public:
    TParser(const QStringList& arguments, TParse& parse) : FArgs(arguments), FParse(parse) {}

    // Returns the first error, or nothing.
    QString Parse() {
        bool options = true;
        for (FAt = 1; FAt < FArgs.size(); ++FAt) {
            const QString& arg = FArgs[FAt];
            QString error;
            if (!options || arg == u'-' || !arg.startsWith(u'-'))
                FParse.Options.Sources << arg;
            else if (arg == u"--")
                options = false;
            else if (arg.startsWith(u"--"))
                error = Long(arg);
            else
                error = Shorts(arg);
            if (!error.isEmpty())
                return error;
        }
        return {};
    }

private:
    // "--name", "--name=value" or "--name value".
    QString Long(const QString& arg) {
        const qsizetype equals = arg.indexOf(u'=');
        const QString typed = equals < 0 ? arg : arg.first(equals);
        const TOptionSpec* spec = FindLong(QStringView(typed).sliced(2));
        if (!spec)
            return QStringLiteral("неизвестный параметр %1").arg(typed);
        if (!TakesValue(*spec)) {
            if (equals >= 0)
                return QStringLiteral("параметру %1 не нужно значение").arg(typed);
            return spec->Apply(FParse, typed, {});
        }
        if (equals >= 0)
            return spec->Apply(FParse, typed, arg.sliced(equals + 1));
        return WithNextValue(*spec, typed);
    }

    // "-qv", "-ovalue", "-o value".
    QString Shorts(const QString& arg) {
        for (qsizetype i = 1; i < arg.size(); ++i) {
            const QString typed = QStringLiteral("-") + arg[i];
            const TOptionSpec* spec = FindShort(arg[i]);
            if (!spec)
                return QStringLiteral("неизвестный параметр %1").arg(typed);
            if (!TakesValue(*spec)) {
                if (QString error = spec->Apply(FParse, typed, {}); !error.isEmpty())
                    return error;
                continue;
            }
            if (i + 1 < arg.size())
                return spec->Apply(FParse, typed, arg.sliced(i + 1));
            return WithNextValue(*spec, typed);
        }
        return {};
    }

    QString WithNextValue(const TOptionSpec& spec, const QString& typed) {
        if (FAt + 1 >= FArgs.size())
            return QStringLiteral("параметру %1 нужно значение").arg(typed);
        return spec.Apply(FParse, typed, FArgs[++FAt]);
    }

    const QStringList& FArgs;
    TParse& FParse;
    qsizetype FAt = 1;
};

// "  -o, --output ПУТЬ" padded to the column of the help lines.
QString OptionColumn(const TOptionSpec& spec) {
    QString names =
        spec.Short[0] != 0 ? QStringLiteral("-%1").arg(QLatin1String(spec.Short)) : QString();
    if (spec.Long[0] != 0)
        names += (names.isEmpty() ? QStringLiteral("") : QStringLiteral(", ")) +
                 QStringLiteral("--") + QLatin1String(spec.Long);
    if (TakesValue(spec))
        names += u' ' + QString::fromUtf8(spec.Value);
    return QStringLiteral("  ") + names;
}

} // namespace

TParseResult ParseOptions(const QStringList& arguments, TOptions& options, QString& error) {
    options.Types = SourceTypeNames();
    TParse parse{options};
    error = TParser(arguments, parse).Parse();
    if (!error.isEmpty())
        return TParseResult::Error;
    if (parse.Want == TWant::Help)
        return TParseResult::Help;
    if (parse.Want == TWant::Version)
        return TParseResult::Version;
    if (options.Sources.isEmpty()) {
        error = QStringLiteral("не указан ни один файл или папка");
        return TParseResult::Error;
    }
    return TParseResult::Run;
}

QString UsageText() {
    constexpr qsizetype column = 21;
    QString options;
    for (const TOptionSpec& spec : kOptions) {
        const QString left = OptionColumn(spec);
        const QStringList lines = QString::fromUtf8(spec.Help).split(u'\n');
        options += left.size() < column
                       ? left.leftJustified(column) + lines.first() + u'\n'
                       : left + u'\n' + QString(column, u' ') + lines.first() + u'\n';
        for (const QString& line : lines.sliced(1))
            options += QString(column, u' ') + line + u'\n';
    }
    return QStringLiteral(
               "Использование: pas2html [ПАРАМЕТРЫ] ИСТОЧНИК...\n"
               "Превращает исходные тексты Pascal (*.pas, *.pp, *.p, *.dpr, *.lpr, *.dpk, *.inc,\n"
               "*.dfm, *.lfm) в HTML-страницы.\n"
               "\n"
               "ИСТОЧНИК: файл одного из этих типов, папка (все такие файлы в ней и во вложенных\n"
               "папках) или - (стандартный ввод; страница идёт в стандартный вывод, если -o не\n"
               "называет файл). Страница пишется рядом с исходным файлом под именем ИМЯ_pas.htm,\n"
               "ИМЯ_dfm.htm, ИМЯ.htm (.dpr, .lpr, .dpk) или ИМЯ_тип.htm (ИМЯ_pp.htm, ИМЯ_inc.htm,\n"
               "ИМЯ_lfm.htm...), в кодировке исходного файла (UTF-8 - с меткой порядка байтов);\n"
               "старая страница заменяется.\n"
               "\n"
               "Параметры:\n") +
           options +
           QStringLiteral(
               "\n"
               "Файлы --tags, --after и --before с меткой порядка байтов читаются по ней, без\n"
               "метки - как UTF-8, если это правильный UTF-8, иначе как windows-1251.\n"
               "\n"
               "Код завершения: 0, если все страницы записаны (пустые файлы пропускаются),\n"
               "1, если какой-то источник не удалось конвертировать, 2 при ошибке в параметрах.\n");
}
