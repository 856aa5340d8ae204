#pragma once

#include "core/system/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

// Every test executable runs in a throw-away home, settings, data, runtime and program folder,
// so no test ever touches the user's files.
class TestEnvironment final
{
public:
    TestEnvironment()
    {
        const QString root = m_dir.path();
        for (const char *sub : {"home", "config", "data", "runtime", "program"})
            QDir(root).mkpath(QLatin1String(sub));
        QFile::setPermissions(root + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("HOME", QFile::encodeName(root + "/home"));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + "/config"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(root + "/data"));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root + "/runtime"));
        qputenv("QT_QPA_PLATFORM", "offscreen");
        m_programFolder = root + "/program/";
    }
    QString programFolder() const { return m_programFolder; }
    QString root() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QString m_programFolder;
};

// For tests of the core: no toolkit beyond Qt Core.
#define ZORVEXA_CORE_TEST_MAIN(TestClass)                                                                              \
    int main(int argc, char *argv[])                                                                                   \
    {                                                                                                                  \
        TestEnvironment environment;                                                                                   \
        QCoreApplication app(argc, argv);                                                                              \
        overrideProgramFolder(environment.programFolder());                                                            \
        TestClass tc;                                                                                                  \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&tc, argc, argv);                                                                          \
    }
