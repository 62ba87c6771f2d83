// pas2html: the command-line converter, a thin front end on the engine.

#include "Jobs.h"
#include "Options.h"
#include "Runner.h"

#include <QCoreApplication>
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
    return RunJobs(options, PlanJobs(options));
}
