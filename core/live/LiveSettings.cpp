#include "core/live/LiveSettings.h"

#include "core/settings/SettingsStore.h"

namespace {
const QString Section = QStringLiteral("Live");
const QString EnabledKey = QStringLiteral("Enabled");
const QString PortKey = QStringLiteral("Port");
const QString AddressKey = QStringLiteral("Address");
} // namespace

Result<LiveSettings> LiveSettings::load(const SettingsStore &store)
{
    LiveSettings settings;
    const Result<bool> enabled = store.readBoolean(Section, EnabledKey, false);
    if (!enabled)
        return enabled.error();
    const Result<int> port = store.readInteger(Section, PortKey, DefaultPort);
    if (!port)
        return port.error();
    const Result<QString> address = store.readText(Section, AddressKey, QString());
    if (!address)
        return address.error();
    settings.enabled = enabled.value();
    settings.port = port.value() >= 1 && port.value() <= 65535 ? port.value() : DefaultPort;
    settings.address = address.value().trimmed();
    return settings;
}

FileResult LiveSettings::save(SettingsStore &store) const
{
    if (FileResult written = store.writeBoolean(Section, EnabledKey, enabled); !written)
        return written;
    if (FileResult written = store.writeInteger(Section, PortKey, port); !written)
        return written;
    return store.writeText(Section, AddressKey, address);
}
