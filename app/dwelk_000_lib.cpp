#include "dwelk_000_lib.h"

#include "HtmlName.h"
#include "__files.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <optional>

namespace {

struct TProgramPlaces {
    QString MainDir;
    QString fnINI;
};

QString SettingsFileOf(const QString& executable) {
    const QStringView extension = FileExtension(executable);
    return executable.first(executable.size() - extension.size()) + QStringLiteral(".ini");
}

// Fixed from the executable on first use, unless a test has placed them elsewhere.
std::optional<TProgramPlaces>& Places() {
    static std::optional<TProgramPlaces> places;
    return places;
}

const TProgramPlaces& CurrentPlaces() {
    auto& places = Places();
    if (!places) {
        const QString executable = QCoreApplication::applicationFilePath();
        places = TProgramPlaces{DirName_Normal_1(QFileInfo(executable).path(), "/"),
                                SettingsFileOf(executable)};
    }
    return *places;
}

} // namespace

QString MainDir() {
    return CurrentPlaces().MainDir;
}

QString fnPlaceholderPage() {
    return MainDir() + QStringLiteral("Quorvel_empty.htm");
}

QString fnINI() {
    return CurrentPlaces().fnINI;
}

void SetMainDir(const QString& dir) {
    const QString settingsName = QFileInfo(CurrentPlaces().fnINI).fileName();
    const QString mainDir = DirName_Normal_1(dir, "/");
    Places() = TProgramPlaces{mainDir, mainDir + settingsName};
}

QString fnHTML_get(const QString& fnPas, int NrExt, const QString& sSuff) {
    return HtmlFileName(fnPas, NrExt, sSuff);
}
