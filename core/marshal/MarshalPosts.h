#pragma once

#include "core/system/FileResult.h"

#include <QList>
#include <QString>

class SettingsStore;

// One post along the course: its number (1..8), its name ("Posten 3 – Tor 7") and the PIN its
// phone logs in with. A post whose PIN is not six digits cannot log in until it gets a new one.
struct MarshalPost
{
    int number = 0;
    QString name;
    QString pin;

    bool hasValidPin() const;
    friend bool operator==(const MarshalPost &, const MarshalPost &) = default;
};

// Section [Marshal] of the settings file: Enabled, Post<N>Name and Post<N>Pin.
struct MarshalSettings
{
    static constexpr int MaxPosts = 8;
    static constexpr int PinDigits = 6;

    bool enabled = false;
    // By number; a post is there when its name or its PIN is.
    QList<MarshalPost> posts;

    static Result<MarshalSettings> load(const SettingsStore &store);
    // Posts not in the list are removed from the file.
    FileResult save(SettingsStore &store) const;

    const MarshalPost *post(int number) const;
    // The lowest number no post has yet, 0 when all eight are taken.
    int freeNumber() const;
    // A PIN from the system's secure random source that no other post has.
    QString newPin() const;

    friend bool operator==(const MarshalSettings &, const MarshalSettings &) = default;
};
