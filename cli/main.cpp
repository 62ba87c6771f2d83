// pas2html: the command-line converter, a thin front end on the engine.

#include "Options.h"
#include "PlanCheck.h"
#include "Runner.h"
#include "StandardStreams.h"
#include "WindowSettings.h"

#include "Exception.h"
#include "__pas2html.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

QString VersionText() {
    return QStringLiteral("pas2html %1 (dwelk)\n"
                          "Лицензия GPL-3.0-or-later: GNU GPL версии 3 или любой более поздней\n"
                          "<https://www.gnu.org/licenses/gpl-3.0.html>.\n"
                          "Это свободная программа: её можно изменять и распространять.\n"
                          "Никаких гарантий в пределах, допускаемых законом.\n")
        .arg(QStringLiteral(DWELK_VERSION));
}

// The reason a write to standard output failed, kept for the report when it is closed: the
// stream's buffer fails while it is written into, not only when it is flushed.
int gOutputError = 0;

int PrintToStandardOutput(const QByteArray& text) {
    if (std::fputs(text.constData(), stdout) == EOF)
        gOutputError = errno;
    return 0;
}

int Run() {
    TOptions options;
    QString error;
    switch (ParseOptions(QCoreApplication::arguments(), options, error)) {
    case TParseResult::Help:
        return PrintToStandardOutput(UsageText().toLocal8Bit());
    case TParseResult::Version:
        return PrintToStandardOutput(VersionText().toLocal8Bit());
    case TParseResult::Error:
        std::fprintf(stderr, "pas2html: %s (справка: pas2html --help)\n",
                     error.toLocal8Bit().constData());
        return 2;
    case TParseResult::Run:
        break;
    }
    // Before the settings are read, so that a wrong -o is the first thing said.
    if (const QString refusal = OutputRefusal(options); !refusal.isEmpty()) {
        std::fprintf(stderr, "pas2html: %s\n", refusal.toLocal8Bit().constData());
        return 2;
    }
    if (!options.SettingsFile.isEmpty() && !QFileInfo(options.SettingsFile).isFile()) {
        std::fprintf(stderr, "pas2html: нет файла настроек %s\n",
                     options.SettingsFile.toLocal8Bit().constData());
        return 2;
    }
    // Settings first, so that their page names shape the plan; options replace what they name.
    TWindowSettings settings;
    try {
        TStrings defaultAttr;
        htmlTextAttr_Def1(&defaultAttr);
        if (options.SettingsFile.isEmpty())
            settings.Attr = defaultAttr;
        else
            settings = ReadWindowSettings(options.SettingsFile, defaultAttr);
        if (!options.TagsFile.isEmpty())
            settings.Attr.LoadFromFile(options.TagsFile, TStrings::TNoMark::Utf8WhenValid);
        if (!options.AfterFile.isEmpty())
            settings.BodyAfter.emplace().LoadFromFile(options.AfterFile,
                                                      TStrings::TNoMark::Utf8WhenValid);
        if (!options.BeforeFile.isEmpty())
            settings.BodyEndBefore.emplace().LoadFromFile(options.BeforeFile,
                                                          TStrings::TNoMark::Utf8WhenValid);
    } catch (const Exception& e) {
        std::fprintf(stderr, "pas2html: %s\n", e.Message().toLocal8Bit().constData());
        return 2;
    }
    return RunJobs(options, std::move(settings));
}

// Whatever went to standard output must have reached it: a full disk or a closed reader
// is a failure, not a success.
int CloseStandardOutput(int status) {
    errno = gOutputError;
    const bool wrote = std::ftell(stdout) > 0;
    const bool failedBefore = std::ferror(stdout) != 0;
    if (std::fclose(stdout) == 0 && !failedBefore && !(wrote && StandardStreamClosed(1)))
        return status;
    std::fprintf(stderr, "pas2html: не удалось записать в стандартный вывод: %s\n",
                 StandardStreamClosed(1) ? "он закрыт"
                 : errno != 0            ? std::strerror(errno)
                                         : "ошибка записи");
    return status == 0 ? 1 : status;
}

} // namespace

int main(int argc, char* argv[]) {
    GuardStandardStreams();
    QCoreApplication app(argc, argv);
    return CloseStandardOutput(Run());
}
