#include "core/system/DataFolder.h"

#include "core/Version.h"
#include "core/settings/SettingsStore.h"
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

std::optional<DataFolderChoice> &decision()
{
    static std::optional<DataFolderChoice> choice;
    return choice;
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

QString configuredDataFolder()
{
    // A value that cannot be read counts as none: the class files must live somewhere.
    const Result<QString> stored =
        SettingsStore().readText(QStringLiteral("Configuration"), QStringLiteral("DataFolder"), QString());
    const QString value = stored ? stored.value().trimmed() : QString();
    if (value.isEmpty())
        return {};
    QString folder = value;
    if (folder == QLatin1String("~") || folder.startsWith(QLatin1String("~/")))
        folder = QDir::homePath() + folder.mid(1);
    return QDir::cleanPath(QDir::home().absoluteFilePath(folder));
}

DataFolderChoice currentDataFolder()
{
    const QMutexLocker locker(&decisionLock());
    if (decision())
        return *decision();
    const QString program = programFolder();
    const DataFolderPlaces places {configuredDataFolder(), program,
                                   QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
                                   isInstalledCopy(program)};
    DataFolderChoice choice = chooseDataFolder(places, isWritableFolder);
    if (choice.kind != DataFolderKind::Program)
        QDir().mkpath(choice.path);
    decision() = choice;
    return choice;
}

QString dataFolder()
{
    return currentDataFolder().path;
}

void resetDataFolder()
{
    const QMutexLocker locker(&decisionLock());
    decision().reset();
}
