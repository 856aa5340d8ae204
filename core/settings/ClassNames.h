#pragma once

#include "core/system/FileResult.h"

#include <QAbstractTableModel>
#include <QString>

#include <array>

inline constexpr int FirstClass = 1;
inline constexpr int LastClass = 10;
inline constexpr int ClassCount = LastClass - FirstClass + 1;

class SettingsStore;

// The ten class names, as the class editor's grid shows and edits them: column 0 the class number,
// column 1 its name. The names in force are the race session's rules; this is the editor's copy.
class ClassNames final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClassNames)

public:
    explicit ClassNames(QObject *parent = nullptr);
    ~ClassNames() override;

    QString nameOf(int classIndex) const;
    const std::array<QString, ClassCount> &names() const { return m_names; }
    void setNames(const std::array<QString, ClassCount> &names);

    // A value that cannot be read ends the loading there; that class and the ones after it keep
    // the names they had.
    FileResult LoadClassNames(const SettingsStore &store);
    // All ten are written, changed or not; a failure ends the saving there.
    FileResult SaveClassNames(SettingsStore &store) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    std::array<QString, ClassCount> m_names;
};

// Writes a class's new name to the settings file; whoever holds the rules puts it in force.
FileResult renameClass(SettingsStore &store, int classIndex, const QString &name);

// "Class " and the two-digit class number, the word translated by the catalogue.
QString defaultClassName(int classIndex);
