#include "core/import/ImportWriter.h"

#include "core/import/ImportedAges.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"

#include <QDir>
#include <QFileInfo>

#include <map>

FileResult writeImport(ClassStore &store, const ImportPreview &preview, ImportMode mode, const QString &fileName)
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
    // Where the ages came from, so a later event date can count them again. A record that cannot
    // be read is started anew: it serves that recount only.
    std::map<int, ClassAges> ages;
    for (auto &[classIndex, list] : lists) {
        ClassAges &kept = ages[classIndex];
        if (mode == ImportMode::Append)
            kept = readClassAges(classIndex).value_or({});
        if (kept.countedAt.isValid() && kept.countedAt != preview.countedAt)
            recountAges(list, kept, preview.countedAt);
        kept.countedAt = preview.countedAt;
    }
    for (const ImportedEntry &imported : preview.entries) {
        lists[imported.classIndex].append(imported.entry);
        if (const std::optional<AgeOrigin> origin = ageOrigin(imported))
            ages[imported.classIndex].entries.push_back(*origin);
    }

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
            failed << preview.classNames[std::size_t(classIndex - 1)];
        } else {
            store.noteImport(classIndex, fileName, preview.perClass[std::size_t(classIndex - 1)]);
            if (const FileResult kept = writeClassAges(classIndex, ages[classIndex]); !kept) {
                if (failed.isEmpty())
                    firstFailure = kept.error();
                failed << QStringLiteral("Geburtsdaten von %1").arg(preview.classNames[std::size_t(classIndex - 1)]);
            }
        }
    }
    if (failed.isEmpty())
        return {};
    firstFailure.reason
        += QLatin1Char('\n') + QStringLiteral("Nicht gespeichert: %1").arg(failed.join(QStringLiteral(", ")));
    return firstFailure;
}
