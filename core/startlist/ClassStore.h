#pragma once

#include "core/startlist/StartListModel.h"
#include "core/startlist/StoreChange.h"
#include "core/system/FileResult.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <vector>

// The store of record: the only copy of the current class's list, its class file and the current
// class number. The protocol and the start list editor are views of it and write through it.
//
// A class file that failed to load is never lost: its original bytes are copied beside it
// (List03.dat.bak) before anything can overwrite it.
class DiskQueue;

class ClassStore final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClassStore)

public:
    explicit ClassStore(QObject *parent = nullptr);
    // Waits for the saves still on their way.
    ~ClassStore() override;

    // Results are then saved on the queue's thread and writeResult returns before the file is
    // written; every other save waits for it. Without a queue every save is written at once.
    void setDiskQueue(DiskQueue *queue) { m_disk = queue; }
    // Runs where the save ran, right after a class file was written and before any later save:
    // the journal notes the file as written there, so no change can fall between the two.
    using SavedHook = std::function<void(int classIndex, const QString &path)>;
    void setSavedHook(SavedHook hook) { m_savedHook = std::move(hook); }

    // The start list editor's grid: a view of the list whose edits come back through the store.
    StartListModel &model() { return m_model; }
    const StartList &list() const { return m_list; }

    int CurrentClass() const { return m_currentClass; }
    // Saves the current class, then makes classIndex current and loads it. When the save fails
    // the class stays current and its list stays in memory. Out of range does nothing.
    FileResult SelectClass(int classIndex);
    // Before the first load: the class that load opens. Out of range does nothing.
    void chooseFirstClass(int classIndex);
    // Writes the list to the current class's file; before the class has been loaded it writes nothing.
    FileResult SaveCurrentClass();
    // Replaces the list with the current class's file; a class without a file starts empty.
    FileResult LoadCurrentClass();
    // Whether the current class's file has been read (successfully or not) since it became current.
    bool isCurrentClassLoaded() const { return m_loaded; }
    // Whether the last load of the current class failed (a damaged file, not a missing one).
    bool lastLoadFailed() const { return m_loadFailed; }
    // The failure of the last save of the current class, while no later save has succeeded.
    const std::optional<FileError> &unsavedReason() const { return m_unsaved; }

    int entryCount() const { return list().count(); }
    // "#" gives the position counted from 1; an index outside the list gives a null string.
    QString readTextField(int index, ListField field) const { return list().text(index, field); }
    std::int32_t readNumberField(int index, ListField field) const { return list().wholeNumber(index, field); }

    // The only ways the entries change. Each change is announced once through changed(); writing
    // a value a field already holds announces nothing. False when index or field is no such cell.
    bool writeNumberField(int index, ListField field, std::int32_t value, ChangeSource source);
    bool writeTextField(int index, ListField field, const QString &text, ChangeSource source);
    // A result (a time, a count, a cleared run): the fields are written in the order given and the
    // class file is saved at once, so a crash cannot take it. A failed save is reported through
    // saveFinished and, without a disk queue, returned; the values stay in memory.
    struct FieldValue
    {
        ListField field;
        std::int32_t value;
    };
    FileResult writeResult(int index, std::initializer_list<FieldValue> values, ChangeSource source);
    void addEntry(ChangeSource source);
    // Removes the entries whose indices are given; returns how many went.
    int removeEntries(const std::vector<int> &indices, ChangeSource source);
    // See StartList::sortBy; the error message when nothing moved because of a text that is no number.
    QString sortBy(ListField field, ChangeSource source);
    // The whole list at once: a file read into the list, a cleared list, an undone removal.
    void replaceList(StartList list, ChangeSource source);
    // An import wrote entries from file into a class file, the current class or another.
    void noteImport(int classIndex, const QString &file, int entries) { emit imported(classIndex, file, entries); }

    // Copies path (through its links: the file they lead to) to the first free "<file>.bak",
    // "<file>.bak2", ... beside it, with its permissions; a copy with the same bytes is reused.
    // Returns the copy's path, or an empty string when no copy could be made. Only regular files
    // up to MaxListFileSize are copied.
    static QString keepOriginal(const QString &path);

    // Removes what a save that was cut off left beside the class files (through their links: beside
    // the files they lead to): "List01.dat.zvx-Ab3dEf" and the like. Returns the names removed.
    // Call before any save.
    static QStringList removeStaleTemporaryFiles();

signals:
    // The list now belongs to classIndex: after every load, whether it succeeded or not.
    void classLoaded(int classIndex);
    // A save of the current class begins: whatever changed before belongs to it.
    void saving();
    // After every save of a class file, so the top of the interface can show or clear a warning.
    // Of saves that overtook each other on the queue, only the last one is reported.
    void saveFinished(const FileResult &result);
    // Every change of the entries, times and counts of the current class, once, with what changed.
    void changed(const StoreChange &change);
    void imported(int classIndex, const QString &file, int entries);

private:
    FileResult loadCurrentClass();
    // What saving the current class comes to, to be run where the save runs.
    std::function<FileResult()> saveJob();
    void finishSave(std::uint64_t serial, const FileResult &result);
    void announceReplaced(std::shared_ptr<const StartList> before, ChangeSource source);

    StartList m_list;
    StartListModel m_model;
    int m_currentClass = 1;
    bool m_loaded = false;
    bool m_loadFailed = false;
    // A class file whose last load failed and of which no copy could be made.
    QString m_unsafePath;
    std::optional<FileError> m_unsaved;
    DiskQueue *m_disk = nullptr;
    SavedHook m_savedHook;
    // The newest save begun; a result of an older one is out of date when it arrives.
    std::uint64_t m_saveSerial = 0;
};
