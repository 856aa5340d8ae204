#pragma once

#include "core/system/ProgramFolder.h"
#include "gui/common/WindowLook.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// A throw-away program folder in the current folder (on the disk to measure) with a settings file
// of its own, so no benchmark touches the user's files. Made before the application object;
// use() once it exists.
class BenchFolder final
{
public:
    explicit BenchFolder(const QString &name)
        : m_folder(QDir::currentPath() + QStringLiteral("/bench-%1-XXXXXX").arg(name))
    {
        QDir(m_folder.path()).mkpath(QStringLiteral("config"));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_folder.path() + QStringLiteral("/config")));
    }
    void use() const
    {
        setApplicationIdentity();
        overrideProgramFolder(m_folder.path() + QLatin1Char('/'));
    }

private:
    QTemporaryDir m_folder;
};
