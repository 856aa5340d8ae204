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
// column 1 its name. They are read from the settings once at start-up and written whenever the class
// editor closes; in between this list is the only copy that counts.
class ClassNames final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClassNames)

public:
    explicit ClassNames(QObject *parent = nullptr);
    ~ClassNames() override;

    QString nameOf(int classIndex) const;

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

// The name of a class (1..10) from the names in force; a null string outside 1..10. Before any
// class editor exists, the default names.
QString ClassNameOf(int classIndex);

// Gives a class a new name in force and in the settings file, as the class editor would.
FileResult renameClass(SettingsStore &store, int classIndex, const QString &name);

// "Class " and the two-digit class number, the word translated by the catalogue.
QString defaultClassName(int classIndex);
