// pas2html: the command-line converter, a thin front end on the engine.

#include "Jobs.h"
#include "Options.h"
#include "Runner.h"
#include "WindowSettings.h"

#include "Exception.h"
#include "__pas2html.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    TOptions options;
    QString error;
    switch (ParseOptions(QCoreApplication::arguments(), options, error)) {
    case TParseResult::Help:
        std::fputs(UsageText().toLocal8Bit().constData(), stdout);
        return 0;
    case TParseResult::Version:
        std::printf("pas2html %s\n", DWELK_VERSION);
        return 0;
    case TParseResult::Error:
        std::fprintf(stderr, "pas2html: %s (справка: pas2html --help)\n",
                     error.toLocal8Bit().constData());
        return 2;
    case TParseResult::Run:
        break;
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
    const TPlan plan = PlanJobs(options, settings.Naming);
    return RunJobs(options, plan, std::move(settings));
}
