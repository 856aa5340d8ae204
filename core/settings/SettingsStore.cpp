#include "core/settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QMutex>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

#include <cerrno>
#include <cmath>
#include <optional>
#include <sys/stat.h>

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

// The file's values as last parsed, with what told that file apart: the timers and the live
// feed read settings many times a second, and parsing the file each time held the interface.
struct ParsedFile
{
    bool valid = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified {};
    QHash<QString, QVariant> values; // "section/name"; an invalid value for an unreadable entry
};

QMutex g_parsedLock;
ParsedFile g_parsed;

bool sameFile(const ParsedFile &parsed, const struct stat &info)
{
    return parsed.valid && parsed.device == info.st_dev && parsed.inode == info.st_ino && parsed.size == info.st_size
        && parsed.modified.tv_sec == info.st_mtim.tv_sec && parsed.modified.tv_nsec == info.st_mtim.tv_nsec;
}

void forgetParsedFile()
{
    const QMutexLocker locker(&g_parsedLock);
    g_parsed = {};
}

// The value of section/name; empty when missing; invalid when there but no value QSettings knows.
std::optional<QVariant> cachedValue(const QString &section, const QString &name)
{
    const QMutexLocker locker(&g_parsedLock);
    struct stat info
    {
    };
    const bool exists = ::stat(QFile::encodeName(SettingsStore::filePath()).constData(), &info) == 0;
    if (!exists)
        return std::nullopt;
    if (!sameFile(g_parsed, info)) {
        ParsedFile parsed {true, info.st_dev, info.st_ino, info.st_size, info.st_mtim, {}};
        const auto store = openStore();
        for (const QString &key : store->allKeys())
            parsed.values.insert(key, store->value(key));
        g_parsed = std::move(parsed);
    }
    const auto it = g_parsed.values.constFind(section + QLatin1Char('/') + name);
    if (it == g_parsed.values.constEnd())
        return std::nullopt;
    return *it;
}

// The text of a value, nothing when it is missing, a failure when it is not text.
Result<std::optional<QString>> readRaw(const QString &section, const QString &name)
{
    // A file the store leaves alone reads as empty: the program runs on its defaults.
    if (!SettingsStore::checkFile())
        return std::optional<QString>();
    const std::optional<QVariant> cached = cachedValue(section, name);
    if (!cached)
        return std::optional<QString>();
    const QVariant &value = *cached;
    if (!value.isValid()) {
        // An entry QSettings cannot make into any value ("@Invalid()", an unknown "@Variant").
        return FileError {SettingsStore::filePath(), tr("Invalid data type for '%1'").arg(name)};
    }
    switch (value.typeId()) {
    case QMetaType::QString:
        return std::optional<QString>(value.toString());
    case QMetaType::QStringList:
        // An unquoted comma in a value typed by hand: the text as it stands in the file.
        return std::optional<QString>(value.toStringList().join(QStringLiteral(", ")));
    default:
        return FileError {SettingsStore::filePath(), tr("Invalid data type for '%1'").arg(name)};
    }
}

FileResult writeRaw(const QString &section, const QString &name, const QString &value)
{
    const QString path = SettingsStore::filePath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return FileError {path, tr("Failed to create key %1").arg(section)};
    if (FileResult usable = SettingsStore::checkFile(); !usable)
        return usable;
    forgetParsedFile();
    const auto store = openStore();
    store->beginGroup(section);
    store->setValue(name, value);
    store->endGroup();
    store->sync();
    if (store->status() == QSettings::AccessError)
        return FileError {path, tr("Failed to set data for '%1'").arg(name)};
    return {};
}

// The stored text read by parse; the default when the value is missing or parse refuses it.
template<typename T, typename Parse> Result<T> readParsed(const SettingKey<T> &key, Parse parse)
{
    const Result<std::optional<QString>> raw = readRaw(key.section, key.name);
    if (!raw)
        return raw.error();
    if (!raw.value())
        return key.fallback;
    return parse(raw.value()->trimmed()).value_or(key.fallback);
}

std::optional<int> integerOf(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? std::optional(value) : std::nullopt;
}

} // namespace

QString SettingsStore::filePath()
{
    // Where QSettings keeps it, named without opening it: QSettings reads the file as it is made.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Brasquell/Zorvexa.ini");
}

FileResult SettingsStore::checkFile()
{
    const QString path = filePath();
    const QByteArray name = QFile::encodeName(path);
    struct stat info
    {
    };
    if (::stat(name.constData(), &info) != 0) {
        const int error = errno;
        // A link to nothing (or a loop of links) would be replaced by a file, or make one
        // wherever it points.
        if (error == ELOOP || (error == ENOENT && QFileInfo(path).isSymLink()))
            return FileError {path, tr("%1 is not a regular file.").arg(QDir::toNativeSeparators(path))};
        if (error == ENOENT || error == ENOTDIR)
            return {};
        return fileError(path, error);
    }
    // A FIFO would block the start for good, a device would be overwritten.
    if (!S_ISREG(info.st_mode))
        return FileError {path, tr("%1 is not a regular file.").arg(QDir::toNativeSeparators(path))};
    if (info.st_size > MaxFileSize) {
        const QLocale locale;
        return FileError {path,
                          tr("%1 is %2, too large for a settings file (at most %3).")
                              .arg(QDir::toNativeSeparators(path), locale.formattedDataSize(info.st_size),
                                   locale.formattedDataSize(MaxFileSize))};
    }
    return {};
}

Result<QString> SettingsStore::read(const SettingKey<QString> &key) const
{
    const Result<std::optional<QString>> raw = readRaw(key.section, key.name);
    if (!raw)
        return raw.error();
    return raw.value().value_or(key.fallback);
}

Result<int> SettingsStore::read(const SettingKey<int> &key) const
{
    return readParsed(key, integerOf);
}

Result<bool> SettingsStore::read(const SettingKey<bool> &key) const
{
    return readParsed(key, [](const QString &text) -> std::optional<bool> {
        const std::optional<int> value = integerOf(text);
        return value ? std::optional(*value != 0) : std::nullopt;
    });
}

Result<double> SettingsStore::read(const SettingKey<double> &key) const
{
    return readParsed(key, [](const QString &text) -> std::optional<double> {
        bool ok = false;
        const double value = text.toDouble(&ok);
        return ok && std::isfinite(value) ? std::optional(value) : std::nullopt;
    });
}

FileResult SettingsStore::write(const SettingKey<QString> &key, const QString &value)
{
    return writeRaw(key.section, key.name, value);
}

FileResult SettingsStore::write(const SettingKey<int> &key, int value)
{
    return writeRaw(key.section, key.name, QString::number(value));
}

FileResult SettingsStore::write(const SettingKey<bool> &key, bool value)
{
    return writeRaw(key.section, key.name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

FileResult SettingsStore::write(const SettingKey<double> &key, double value)
{
    return writeRaw(key.section, key.name, QString::number(value, 'g', 15));
}
