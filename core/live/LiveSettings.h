#pragma once

#include "core/system/FileResult.h"

#include <QString>

class SettingsStore;

// The results server's three values, section [Live] of the settings file, so a laptop can be
// prepared by hand: Enabled (0/1), Port, Address (empty: every interface).
struct LiveSettings
{
    static constexpr int DefaultPort = 8080;

    bool enabled = false;
    int port = DefaultPort;
    QString address;

    // A port outside 1..65535 reads as the default.
    static Result<LiveSettings> load(const SettingsStore &store);
    FileResult save(SettingsStore &store) const;

    friend bool operator==(const LiveSettings &, const LiveSettings &) = default;
};
