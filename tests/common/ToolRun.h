#pragma once
// Runs a command-line program of the build to its end and keeps what it said.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>

struct TRun {
    int Code = -1; // -1 when the program did not end normally
    QByteArray Out, Err;
};

inline TRun RunTool(const QString& program, const QStringList& args, const QString& folder,
                    const QByteArray& input = {},
                    const std::function<void(QProcess&)>& setup = {}) {
    QProcess p;
    p.setWorkingDirectory(folder);
    if (setup)
        setup(p);
    p.start(program, args);
    if (!input.isEmpty()) {
        p.write(input);
        p.closeWriteChannel();
    }
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}
