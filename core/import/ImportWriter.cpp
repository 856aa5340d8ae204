#include "core/import/ImportWriter.h"

#include "core/settings/ClassNames.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"

#include <QDir>
#include <QFileInfo>

#include <map>

FileResult writeImport(ClassStore &store, const ImportPreview &preview, ImportMode mode)
{
    std::map<int, StartList> lists;
    for (const ImportedEntry &imported : preview.entries)
        lists.try_emplace(imported.classIndex);

    for (auto &[classIndex, list] : lists) {
        if (mode == ImportMode::Replace)
            continue;
        if (classIndex == store.CurrentClass()) {
            list = store.list();
            continue;
        }
        const QString path = ClassListPath(classIndex);
        const Result<bool> read = ReadListFile(list, path, false);
        if (!read)
            return FileError {read.error().path,
                              read.error().reason + QLatin1Char('\n') + QStringLiteral("Es wurde nichts importiert.")};
        if (!read.value() && QFileInfo::exists(path))
            return FileError {path,
                              QStringLiteral("%1 ist keine Startlistendatei. Es wurde nichts importiert.")
                                  .arg(QDir::toNativeSeparators(path))};
    }
    for (const ImportedEntry &imported : preview.entries)
        lists[imported.classIndex].append(imported.entry);

    QStringList failed;
    FileError firstFailure;
    for (auto &[classIndex, list] : lists) {
        FileResult written;
        if (classIndex == store.CurrentClass()) {
            store.replaceList(list, ChangeSource::Import);
            written = store.SaveCurrentClass();
        } else {
            written = WriteListFile(list, ClassListPath(classIndex));
        }
        if (!written) {
            if (failed.isEmpty())
                firstFailure = written.error();
            failed << ClassNameOf(classIndex);
        }
    }
    if (failed.isEmpty())
        return {};
    firstFailure.reason
        += QLatin1Char('\n') + QStringLiteral("Nicht gespeichert: %1").arg(failed.join(QStringLiteral(", ")));
    return firstFailure;
}
