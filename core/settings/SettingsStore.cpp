#include "core/settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#include <cmath>
#include <optional>

namespace {

std::unique_ptr<QSettings> openStore()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Brasquell"),
                                       QStringLiteral("Zorvexa"));
}

QString tr(const char *text)
{
    return QCoreApplication::translate("SettingsStore", text);
}

// The text of a value, nothing when it is missing, a failure when it is not text.
Result<std::optional<QString>> readRaw(const QString &section, const QString &name)
{
    const auto store = openStore();
    store->beginGroup(section);
    const QVariant value = store->value(name);
    if (!value.isValid()) {
        // An entry QSettings cannot make into any value ("@Invalid()", an unknown "@Variant").
        if (store->contains(name))
            return FileError{SettingsStore::filePath(), tr("Invalid data type for '%1'").arg(name)};
        return std::optional<QString>();
    }
    switch (value.typeId()) {
    case QMetaType::QString:
        return std::optional<QString>(value.toString());
    case QMetaType::QStringList:
        // An unquoted comma in a value typed by hand: the text as it stands in the file.
        return std::optional<QString>(value.toStringList().join(QStringLiteral(", ")));
    default:
        return FileError{SettingsStore::filePath(), tr("Invalid data type for '%1'").arg(name)};
    }
}

FileResult writeRaw(const QString &section, const QString &name, const QString &value)
{
    const QString path = SettingsStore::filePath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return FileError{path, tr("Failed to create key %1").arg(section)};
    const auto store = openStore();
    store->beginGroup(section);
    store->setValue(name, value);
    store->endGroup();
    store->sync();
    if (store->status() == QSettings::AccessError)
        return FileError{path, tr("Failed to set data for '%1'").arg(name)};
    return {};
}

} // namespace

QString SettingsStore::filePath()
{
    return openStore()->fileName();
}

Result<QString> SettingsStore::readText(const QString &section, const QString &name, const QString &fallback) const
{
    const Result<std::optional<QString>> raw = readRaw(section, name);
    if (!raw)
        return raw.error();
    return raw.value().value_or(fallback);
}

namespace {
// The stored text read by parse; the default when the value is missing or parse refuses it.
template<typename T, typename Parse>
Result<T> readParsed(const QString &section, const QString &name, T fallback, Parse parse)
{
    const Result<std::optional<QString>> raw = readRaw(section, name);
    if (!raw)
        return raw.error();
    if (!raw.value())
        return fallback;
    return parse(raw.value()->trimmed()).value_or(fallback);
}
} // namespace

Result<int> SettingsStore::readInteger(const QString &section, const QString &name, int fallback) const
{
    return readParsed(section, name, fallback, [](const QString &text) -> std::optional<int> {
        bool ok = false;
        const int value = text.toInt(&ok, 10);
        return ok ? std::optional(value) : std::nullopt;
    });
}

Result<bool> SettingsStore::readBoolean(const QString &section, const QString &name, bool fallback) const
{
    const Result<int> value = readInteger(section, name, fallback ? 1 : 0);
    if (!value)
        return value.error();
    return value.value() != 0;
}

Result<double> SettingsStore::readNumber(const QString &section, const QString &name, double fallback) const
{
    return readParsed(section, name, fallback, [](const QString &text) -> std::optional<double> {
        bool ok = false;
        const double value = text.toDouble(&ok);
        return ok && std::isfinite(value) ? std::optional(value) : std::nullopt;
    });
}

FileResult SettingsStore::writeText(const QString &section, const QString &name, const QString &value)
{
    return writeRaw(section, name, value);
}

FileResult SettingsStore::writeInteger(const QString &section, const QString &name, int value)
{
    return writeRaw(section, name, QString::number(value));
}

FileResult SettingsStore::writeBoolean(const QString &section, const QString &name, bool value)
{
    return writeRaw(section, name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

FileResult SettingsStore::writeNumber(const QString &section, const QString &name, double value)
{
    return writeRaw(section, name, QString::number(value, 'g', 15));
}
