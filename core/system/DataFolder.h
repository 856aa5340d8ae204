#pragma once

#include <QString>

#include <functional>

// Where the class files are kept, and why there.
enum class DataFolderKind {
    Configured, // "DataFolder" in the settings file
    Program, // beside the program: a portable copy in a folder of its own
    UserData, // the user's data folder: an installed copy
};

struct DataFolderChoice
{
    QString path; // with a trailing separator
    DataFolderKind kind = DataFolderKind::Program;
};

// What the choice is made from; all folders with or without a trailing separator.
struct DataFolderPlaces
{
    QString configured; // empty when the settings name no folder
    QString program;
    QString userData;
    bool installed = false; // the program sits in an installed tree (see isInstalledCopy)
};

// The setting wins; a program in a folder the user can write, and not installed, keeps its
// class files beside it; otherwise they go to the user's data folder. Decides only, creates nothing.
DataFolderChoice chooseDataFolder(const DataFolderPlaces &places,
                                  const std::function<bool(const QString &folder)> &isWritableFolder);

// The folder exists and this user may create files in it.
bool isWritableFolder(const QString &folder);

// A program in <prefix>/bin with its desktop entry in <prefix>/share/applications was installed,
// even where the folder is writable (root, or a prefix in the home folder).
bool isInstalledCopy(const QString &programFolder);

// The "DataFolder" setting made absolute: "~" is the home folder, a relative path starts there;
// empty when it names no folder.
QString configuredDataFolder(const QString &setting);
// The program gives its setting before the first class file is read; the next use decides again.
void setConfiguredDataFolder(const QString &setting);

// The folder that holds List01.dat .. List10.dat, with a trailing separator. Decided once and
// then kept, so one event never splits its class files over two folders; a folder other than
// the program's is created when missing.
DataFolderChoice currentDataFolder();
QString dataFolder();

// The next use decides again, as after a folder's permissions changed.
void resetDataFolder();
