#include "core/live/LiveSettings.h"

#include "core/settings/SettingKeys.h"
#include "core/settings/SettingsStore.h"

Result<LiveSettings> LiveSettings::load(const SettingsStore &store)
{
    LiveSettings settings;
    const Result<bool> enabled = store.read(Setting::LiveEnabled);
    if (!enabled)
        return enabled.error();
    const Result<int> port = store.read(Setting::LivePort);
    if (!port)
        return port.error();
    const Result<QString> address = store.read(Setting::LiveAddress);
    if (!address)
        return address.error();
    settings.enabled = enabled.value();
    settings.port = port.value() >= 1 && port.value() <= 65535 ? port.value() : DefaultPort;
    settings.address = address.value().trimmed();
    return settings;
}

FileResult LiveSettings::save(SettingsStore &store) const
{
    if (FileResult written = store.write(Setting::LiveEnabled, enabled); !written)
        return written;
    if (FileResult written = store.write(Setting::LivePort, port); !written)
        return written;
    return store.write(Setting::LiveAddress, address);
}
