#pragma once

#include "core/startlist/StartListModel.h"
#include "core/startlist/StoreChange.h"
#include "core/system/FileResult.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>

// The store of record: the list of the current class, its class file and the current class
// number. The protocol and the start list editor both work on it.
//
// A class file that failed to load is never lost: its original bytes are copied beside it
// (List03.dat.bak) before anything can overwrite it.
class ClassStore final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClassStore)

public:
    explicit ClassStore(QObject *parent = nullptr);

    // The current list, as the editor's grid shows and edits it.
    StartListModel &model() { return m_model; }
    const StartList &list() const { return m_model.list(); }

    int CurrentClass() const { return m_currentClass; }
    // Saves the current class, then makes classIndex current and loads it. When the save fails
    // the class stays current and its list stays in memory. Out of range does nothing.
    FileResult SelectClass(int classIndex);
    // Writes the list to the current class's file.
    FileResult SaveCurrentClass();
    // Replaces the list with the current class's file; a class without a file starts empty.
    FileResult LoadCurrentClass();
    // Whether the current class's file has been read (successfully or not) since it became current.
    bool isCurrentClassLoaded() const { return m_loaded; }
    // The failure of the last save of the current class, while no later save has succeeded.
    const std::optional<FileError> &unsavedReason() const { return m_unsaved; }

    int entryCount() const { return list().count(); }
    // "#" gives the position counted from 1; an index outside the list gives a null string.
    QString readTextField(int index, ListField field) const { return list().text(index, field); }
    std::int32_t readNumberField(int index, ListField field) const { return list().wholeNumber(index, field); }
    void writeNumberField(int index, ListField field, std::int32_t value,
                          ChangeSource source = ChangeSource::Editor);
    // Puts entries in place of the current list, announced as one change from source.
    void replaceEntries(StartList::Entries entries, ChangeSource source);

    // Copies path (through its links: the file they lead to) to the first free "<file>.bak",
    // "<file>.bak2", ... beside it, with its permissions; a copy with the same bytes is reused.
    // Returns the copy's path, or an empty string when no copy could be made. Only regular files
    // up to MaxListFileSize are copied.
    static QString keepOriginal(const QString &path);

    // Removes what a save that was cut off between QSaveFile's link and rename left in the program
    // folder: "List01.dat.AbCdEf" and the like. Returns the names removed. Call before any save.
    static QStringList removeStaleTemporaryFiles();

signals:
    // The list now belongs to classIndex: after every load, whether it succeeded or not.
    void classLoaded(int classIndex);
    // After every save of a class file, so the top of the interface can show or clear a warning.
    void saveFinished(const FileResult &result);
    // Every change of the entries, times and counts of the current class, once, with what changed.
    void changed(const StoreChange &change);

private:
    FileResult loadCurrentClass();

    StartListModel m_model;
    int m_currentClass = 1;
    bool m_loaded = false;
    // A class file whose last load failed and of which no copy could be made.
    QString m_unsafePath;
    std::optional<FileError> m_unsaved;
};
