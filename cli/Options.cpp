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
// lines, and what it does: the option that takes text stores it, a switch is set, the name as
// typed is kept for messages, and Apply does the rest, returning an error message or nothing.
struct TOptionEntry {
    const char* Short = ""; // one letter, or empty
    const char* Long = "";  // without the dashes, or empty
    const char* Value = "";
    const char* Help = "";
    QString TOptions::*Text = nullptr;
    bool TOptions::*Flag = nullptr;
    QString TOptions::*Typed = nullptr;
    QString (*Apply)(TParse& parse, const QString& typed, const QString& value) = nullptr;
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

QString Title(TParse& parse, const QString&, const QString& value) {
    parse.Options.Title = value;
    return {};
}

QString Anchors(TParse& parse, const QString&, const QString&) {
    parse.Options.LineAnchors = true;
    return {};
}

QString Xref(TParse& parse, const QString&, const QString&) {
    parse.Options.LineAnchors = parse.Options.LinkUnits = true;
    return {};
}

QString Site(TParse& parse, const QString&, const QString&) {
    TOptions& o = parse.Options;
    o.Index = o.LineNumbers = o.LineAnchors = o.LinkUnits = o.Xref = true;
    return {};
}

QString Help(TParse& parse, const QString&, const QString&) {
    parse.Want = TWant::Help;
    return {};
}

QString Version(TParse& parse, const QString&, const QString&) {
    if (parse.Want == TWant::Run)
        parse.Want = TWant::Version;
    return {};
}

// Every option, in the order of the help.
constexpr TOptionEntry kOptions[] = {
    {.Short = "o",
     .Long = "output",
     .Value = "ПУТЬ",
     .Help = "для одного файла: сам HTML-файл; иначе папка для страниц,\n"
             "каждая по своему пути относительно папки-источника",
     .Text = &TOptions::Output,
     .Typed = &TOptions::OutputOption},
    {.Long = "tags",
     .Value = "ФАЙЛ",
     .Help = "набор тегов разметки: строки Имя=Значение (Bcom, Ecom, Bres,\n"
             "Eres, Bnum, Enum, Bstr, Estr, Bdir, Edir); по умолчанию набор окна",
     .Text = &TOptions::TagsFile},
    {.Long = "settings",
     .Value = "ФАЙЛ",
     .Help = "взять настройки окна из его файла настроек (dwelk.ini): набор\n"
             "тегов, суффиксы, расширение и включённые фрагменты HTML-2\n"
             "(файлы Quorvel_Body_*.txt рядом с ним); --tags, --after и\n"
             "--before заменяют взятое оттуда",
     .Text = &TOptions::SettingsFile},
    {.Long = "types",
     .Value = "СПИСОК",
     .Help = "какие типы брать из папок, через запятую (по умолчанию все:\n"
             "pas,pp,p,dpr,lpr,dpk,inc,dfm,lfm)",
     .Apply = Types},
    {.Long = "encoding",
     .Value = "КОДИРОВКА",
     .Help = "как читать исходные файлы без метки порядка байтов: auto (по\n"
             "умолчанию: как UTF-8, если файл - правильный UTF-8 и в нём есть\n"
             "не ASCII-символы, иначе как windows-1251), windows-1251 или utf-8;\n"
             "файл с меткой всегда читается по ней",
     .Apply = Encoding},
    {.Long = "title",
     .Value = "ТЕКСТ",
     .Help = "заголовок страницы; по умолчанию имя исходного файла",
     .Apply = Title},
    {.Long = "after",
     .Value = "ФАЙЛ",
     .Help = "HTML сразу после <body>",
     .Text = &TOptions::AfterFile},
    {.Long = "before",
     .Value = "ФАЙЛ",
     .Help = "HTML перед </body>",
     .Text = &TOptions::BeforeFile},
    {.Short = "j",
     .Long = "jobs",
     .Value = "N",
     .Help = "сколько файлов конвертировать одновременно (по умолчанию по\n"
             "одному на процессор)",
     .Apply = Jobs},
    {.Long = "index",
     .Help = "после работы записать в папку -o страницу index.htm со списком\n"
             "всех записанных страниц (путь, тип, строки, размер, итог)",
     .Flag = &TOptions::Index,
     .Typed = &TOptions::IndexOption},
    {.Long = "line-anchors",
     .Help = "у каждой строки кода якорь L<номер>: СТРАНИЦА.htm#L120",
     .Flag = &TOptions::LineAnchors},
    {.Long = "line-numbers",
     .Help = "номера строк слева (при копировании кода не копируются);\n"
             "включает --line-anchors",
     .Flag = &TOptions::LineNumbers,
     .Apply = Anchors},
    {.Long = "link-units",
     .Help = "имена модулей в uses, {$R *.dfm}, {$R *.lfm}, {$R имя.lfm} и\n"
             "{$I имя} ведут на их страницы, если те пишутся в этой же работе",
     .Flag = &TOptions::LinkUnits},
    {.Long = "xref",
     .Help = "обозреватель кода: каждое имя в коде ведёт к своему объявлению,\n"
             "объявление - к странице ссылок ИМЯ.refs.htm со всеми местами,\n"
             "где оно используется; в папке -o - указатель имён symbols.htm;\n"
             "включает --line-anchors и --link-units",
     .Flag = &TOptions::Xref,
     .Apply = Xref},
    {.Long = "site",
     .Help = "всё это сразу: --index --line-numbers --link-units --xref",
     .Typed = &TOptions::IndexOption,
     .Apply = Site},
    {.Short = "q",
     .Long = "quiet",
     .Help = "без строки хода работы и сообщений о пустых файлах",
     .Flag = &TOptions::Quiet},
    {.Short = "v",
     .Long = "verbose",
     .Help = "называть каждую записанную страницу",
     .Flag = &TOptions::Verbose},
    {.Short = "h", .Long = "help", .Help = "эта справка", .Apply = Help},
    {.Long = "version", .Help = "версия", .Apply = Version},
};

QString ApplyOption(const TOptionEntry& entry, TParse& parse, const QString& typed,
                    const QString& value) {
    if (entry.Text)
        parse.Options.*entry.Text = value;
    if (entry.Flag)
        parse.Options.*entry.Flag = true;
    if (entry.Typed)
        parse.Options.*entry.Typed = typed;
    return entry.Apply ? entry.Apply(parse, typed, value) : QString();
}

const TOptionEntry* FindShort(QChar letter) {
    for (const TOptionEntry& entry : kOptions)
        if (entry.Short[0] != 0 && QLatin1Char(entry.Short[0]) == letter)
            return &entry;
    return nullptr;
}

const TOptionEntry* FindLong(QStringView name) {
    for (const TOptionEntry& entry : kOptions)
        if (entry.Long[0] != 0 && name == QLatin1String(entry.Long))
            return &entry;
    return nullptr;
}

bool TakesValue(const TOptionEntry& entry) {
    return entry.Value[0] != 0;
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
        const TOptionEntry* entry = FindLong(QStringView(typed).sliced(2));
        if (!entry)
            return QStringLiteral("неизвестный параметр %1").arg(typed);
        if (!TakesValue(*entry)) {
            if (equals >= 0)
                return QStringLiteral("параметру %1 не нужно значение").arg(typed);
            return ApplyOption(*entry, FParse, typed, {});
        }
        if (equals >= 0)
            return ApplyOption(*entry, FParse, typed, arg.sliced(equals + 1));
        return WithNextValue(*entry, typed);
    }

    // "-qv", "-ovalue", "-o value".
    QString Shorts(const QString& arg) {
        for (qsizetype i = 1; i < arg.size(); ++i) {
            const QString typed = QStringLiteral("-") + arg[i];
            const TOptionEntry* entry = FindShort(arg[i]);
            if (!entry)
                return QStringLiteral("неизвестный параметр %1").arg(typed);
            if (!TakesValue(*entry)) {
                if (QString error = ApplyOption(*entry, FParse, typed, {}); !error.isEmpty())
                    return error;
                continue;
            }
            if (i + 1 < arg.size())
                return ApplyOption(*entry, FParse, typed, arg.sliced(i + 1));
            return WithNextValue(*entry, typed);
        }
        return {};
    }

    QString WithNextValue(const TOptionEntry& entry, const QString& typed) {
        if (FAt + 1 >= FArgs.size())
            return QStringLiteral("параметру %1 нужно значение").arg(typed);
        return ApplyOption(entry, FParse, typed, FArgs[++FAt]);
    }

    const QStringList& FArgs;
    TParse& FParse;
    qsizetype FAt = 1;
};

// "  -o, --output ПУТЬ" padded to the column of the help lines.
QString OptionColumn(const TOptionEntry& entry) {
    QString names =
        entry.Short[0] != 0 ? QStringLiteral("-%1").arg(QLatin1String(entry.Short)) : QString();
    if (entry.Long[0] != 0)
        names += (names.isEmpty() ? QStringLiteral("") : QStringLiteral(", ")) +
                 QStringLiteral("--") + QLatin1String(entry.Long);
    if (TakesValue(entry))
        names += u' ' + QString::fromUtf8(entry.Value);
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
    for (const TOptionEntry& entry : kOptions) {
        const QString left = OptionColumn(entry);
        const QStringList lines = QString::fromUtf8(entry.Help).split(u'\n');
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
