#include "core/settings/ClassNames.h"

#include "core/settings/SettingKeys.h"
#include "core/settings/SettingsStore.h"

#include <QCoreApplication>

namespace {
bool isClass(int classIndex)
{
    return classIndex >= FirstClass && classIndex <= LastClass;
}
} // namespace

QString defaultClassName(int classIndex)
{
    return QCoreApplication::translate("ClassNames", "Class") + QLatin1Char(' ')
        + QStringLiteral("%1").arg(classIndex, 2, 10, QLatin1Char('0'));
}

FileResult renameClass(SettingsStore &store, int classIndex, const QString &name)
{
    if (!isClass(classIndex))
        return {};
    return store.write(Setting::ClassName(classIndex), name);
}

ClassNames::ClassNames(QObject *parent)
    : QAbstractTableModel(parent)
{
}

ClassNames::~ClassNames() = default;

QString ClassNames::nameOf(int classIndex) const
{
    return isClass(classIndex) ? m_names[std::size_t(classIndex - FirstClass)] : QString();
}

void ClassNames::setNames(const std::array<QString, ClassCount> &names)
{
    if (names == m_names)
        return;
    m_names = names;
    emit dataChanged(index(0, 1), index(ClassCount - 1, 1));
}

FileResult ClassNames::LoadClassNames(const SettingsStore &store)
{
    FileResult result;
    int changedUpTo = FirstClass - 1;
    for (int c = FirstClass; c <= LastClass; ++c) {
        const Result<QString> name = store.read(Setting::ClassName(c));
        if (!name) {
            result = name.error();
            break;
        }
        m_names[std::size_t(c - FirstClass)] = name.value();
        changedUpTo = c;
    }
    if (changedUpTo >= FirstClass)
        emit dataChanged(index(0, 1), index(changedUpTo - FirstClass, 1));
    return result;
}

FileResult ClassNames::SaveClassNames(SettingsStore &store) const
{
    for (int c = FirstClass; c <= LastClass; ++c) {
        if (FileResult written = store.write(Setting::ClassName(c), nameOf(c)); !written)
            return written;
    }
    return {};
}

int ClassNames::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ClassCount;
}

int ClassNames::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant ClassNames::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue((index.column() == 0 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    if (index.column() == 0)
        return QString::number(index.row() + FirstClass);
    return m_names[std::size_t(index.row())];
}

bool ClassNames::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid) || index.column() != 1)
        return false;
    // A name is one line; a pasted line break would split the tab caption.
    QString name = value.toString();
    name.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    m_names[std::size_t(index.row())] = name;
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

QVariant ClassNames::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > 1)
        return QAbstractTableModel::headerData(section, orientation, role);
    return section == 0 ? QCoreApplication::translate("TfrmClasses", "Class")
                        : QCoreApplication::translate("TfrmClasses", "Name");
}

Qt::ItemFlags ClassNames::flags(const QModelIndex &index) const
{
    Qt::ItemFlags result = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == 1)
        result |= Qt::ItemIsEditable;
    return result;
}
