#include "core/system/DataFolder.h"

#include "core/Version.h"
#include "core/system/ProgramFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>

#include <optional>
#include <unistd.h>

namespace {
QString withTrailingSeparator(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QMutex &decisionLock()
{
    static QMutex lock;
    return lock;
}

struct Decision
{
    QString configured;
    QString program; // the program folder it was made for
    std::optional<DataFolderChoice> choice;
};

Decision &decision()
{
    static Decision state;
    return state;
}
} // namespace

DataFolderChoice chooseDataFolder(const DataFolderPlaces &places,
                                  const std::function<bool(const QString &folder)> &isWritableFolder)
{
    if (!places.configured.isEmpty())
        return {withTrailingSeparator(places.configured), DataFolderKind::Configured};
    // Without a data folder (no home), the program folder is all there is.
    if (places.userData.isEmpty() || (!places.installed && isWritableFolder(places.program)))
        return {withTrailingSeparator(places.program), DataFolderKind::Program};
    return {withTrailingSeparator(places.userData), DataFolderKind::UserData};
}

bool isWritableFolder(const QString &folder)
{
    // access() also sees a read-only mount, which the permission bits do not show.
    const QByteArray name = QFile::encodeName(folder);
    return QFileInfo(folder).isDir() && ::access(name.constData(), W_OK | X_OK) == 0;
}

bool isInstalledCopy(const QString &programFolder)
{
    const QDir bin(programFolder);
    if (bin.dirName() != QLatin1String("bin"))
        return false;
    const QString entry = QStringLiteral("../share/applications/%1.desktop").arg(QLatin1String(ZorvexaApplicationId));
    return QFileInfo::exists(bin.absoluteFilePath(entry));
}

QString configuredDataFolder(const QString &setting)
{
    const QString value = setting.trimmed();
    if (value.isEmpty())
        return {};
    QString folder = value;
    if (folder == QLatin1String("~") || folder.startsWith(QLatin1String("~/")))
        folder = QDir::homePath() + folder.mid(1);
    return QDir::cleanPath(QDir::home().absoluteFilePath(folder));
}

void setConfiguredDataFolder(const QString &setting)
{
    const QMutexLocker locker(&decisionLock());
    decision().configured = configuredDataFolder(setting);
    decision().choice.reset();
}

DataFolderChoice currentDataFolder()
{
    const QMutexLocker locker(&decisionLock());
    Decision &state = decision();
    const QString program = programFolder();
    // Another program folder (as a test sets one) decides again.
    if (state.choice && state.program == program)
        return *state.choice;
    const DataFolderPlaces places {state.configured, program,
                                   QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
                                   isInstalledCopy(program)};
    DataFolderChoice choice = chooseDataFolder(places, isWritableFolder);
    if (choice.kind != DataFolderKind::Program)
        QDir().mkpath(choice.path);
    state.program = program;
    state.choice = choice;
    return choice;
}

QString dataFolder()
{
    return currentDataFolder().path;
}

void resetDataFolder()
{
    const QMutexLocker locker(&decisionLock());
    decision().choice.reset();
}
