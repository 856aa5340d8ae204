#include "core/settings/SettingsStore.h"

#include <QSettings>

#include <cmath>

namespace {
// Opened per operation: a QSettings kept open would hold changes of another copy back.
QSettings open()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Brasquell"), QStringLiteral("Zorvexa"));
}

QString keyOf(const QString &section, const QString &key)
{
    return section + QLatin1Char('/') + key;
}
} // namespace

QString SettingsStore::readText(const QString &section, const QString &key, const QString &defaultValue) const
{
    const QSettings settings = open();
    const QVariant value = settings.value(keyOf(section, key));
    return value.isValid() ? value.toString() : defaultValue;
}

bool SettingsStore::writeText(const QString &section, const QString &key, const QString &value) const
{
    QSettings settings = open();
    settings.setValue(keyOf(section, key), value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

double SettingsStore::readNumber(const QString &section, const QString &key, double defaultValue) const
{
    // The file is text that anyone may edit: read it the same way on every workstation.
    bool ok = false;
    const double value = readText(section, key, QString()).trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? value : defaultValue;
}

bool SettingsStore::writeNumber(const QString &section, const QString &key, double value) const
{
    return writeText(section, key, QString::number(value, 'g', 15));
}
