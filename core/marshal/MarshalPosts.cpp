#include "core/marshal/MarshalPosts.h"

#include "core/settings/SettingKeys.h"
#include "core/settings/SettingsStore.h"

#include <QRandomGenerator>

#include <algorithm>

bool MarshalPost::hasValidPin() const
{
    return pin.size() == MarshalSettings::PinDigits
        && std::all_of(pin.begin(), pin.end(), [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

Result<MarshalSettings> MarshalSettings::load(const SettingsStore &store)
{
    MarshalSettings settings;
    const Result<bool> enabled = store.read(Setting::MarshalEnabled);
    if (!enabled)
        return enabled.error();
    settings.enabled = enabled.value();
    for (int n = 1; n <= MaxPosts; ++n) {
        const Result<QString> name = store.read(Setting::MarshalPostName(n));
        if (!name)
            return name.error();
        const Result<QString> pin = store.read(Setting::MarshalPostPin(n));
        if (!pin)
            return pin.error();
        if (!name.value().trimmed().isEmpty() || !pin.value().trimmed().isEmpty())
            settings.posts << MarshalPost {n, name.value().trimmed(), pin.value().trimmed()};
    }
    return settings;
}

FileResult MarshalSettings::save(SettingsStore &store) const
{
    if (FileResult written = store.write(Setting::MarshalEnabled, enabled); !written)
        return written;
    for (int n = 1; n <= MaxPosts; ++n) {
        const MarshalPost *p = post(n);
        if (FileResult written = store.write(Setting::MarshalPostName(n), p ? p->name : QString()); !written)
            return written;
        if (FileResult written = store.write(Setting::MarshalPostPin(n), p ? p->pin : QString()); !written)
            return written;
    }
    return {};
}

const MarshalPost *MarshalSettings::post(int number) const
{
    const auto found
        = std::find_if(posts.begin(), posts.end(), [number](const MarshalPost &p) { return p.number == number; });
    return found == posts.end() ? nullptr : &*found;
}

int MarshalSettings::freeNumber() const
{
    for (int n = 1; n <= MaxPosts; ++n) {
        if (!post(n))
            return n;
    }
    return 0;
}

QString MarshalSettings::newPin() const
{
    // The PIN alone names the post at the login, so no two posts may share one.
    for (;;) {
        const QString pin
            = QStringLiteral("%1").arg(QRandomGenerator::system()->bounded(1000000), PinDigits, 10, QLatin1Char('0'));
        if (std::none_of(posts.begin(), posts.end(), [&pin](const MarshalPost &p) { return p.pin == pin; }))
            return pin;
    }
}
