#include "dwelk_000_lib.h"

#include "HtmlName.h"
#include "__files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <optional>

namespace {

struct TProgramPlaces {
    QString MainDir;
    QString fnINI;
    bool Installed = false;
};

QString SettingsNameOf(const QString& executable) {
    const QString name = QFileInfo(executable).fileName();
    const QStringView extension = FileExtension(name);
    return name.first(name.size() - extension.size()) + QStringLiteral(".ini");
}

// The same folder however it is spelt: /bin and /usr/bin are one folder on merged-/usr
// systems.
bool SameFolder(const QString& a, const QString& b) {
    const auto canonical = [](const QString& dir) {
        const QString path = QFileInfo(dir).canonicalFilePath();
        return path.isEmpty() ? QDir::cleanPath(dir) : path;
    };
    return !a.isEmpty() && !b.isEmpty() && canonical(a) == canonical(b);
}

// Fixed from the executable on first use, unless a test has placed them elsewhere.
std::optional<TProgramPlaces>& Places() {
    static std::optional<TProgramPlaces> places;
    return places;
}

const TProgramPlaces& CurrentPlaces() {
    auto& places = Places();
    if (!places)
        SetProgramPlaces(QCoreApplication::applicationFilePath(),
                         QStringLiteral(DWELK_INSTALL_BINDIR),
                         QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
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

QString FirstStartDir() {
    return CurrentPlaces().Installed ? QDir::homePath() : MainDir();
}

void SetProgramPlaces(const QString& executable, const QString& installedBinDir,
                      const QString& userDataDir) {
    const QString executableDir = QFileInfo(executable).path();
    const bool installed = SameFolder(executableDir, installedBinDir);
    const QString mainDir = DirName_Normal_1(installed ? userDataDir : executableDir, "/");
    if (installed)
        QDir().mkpath(mainDir);
    Places() = TProgramPlaces{mainDir, mainDir + SettingsNameOf(executable), installed};
}

void SetMainDir(const QString& dir) {
    const QString settingsName = QFileInfo(CurrentPlaces().fnINI).fileName();
    const QString mainDir = DirName_Normal_1(dir, "/");
    Places() = TProgramPlaces{mainDir, mainDir + settingsName};
}

QString fnHTML_get(const QString& fnPas, int NrExt, const QString& sSuff) {
    return HtmlFileName(fnPas, NrExt, sSuff);
}
