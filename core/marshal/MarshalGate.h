#pragma once

#include "core/marshal/MarshalPosts.h"

#include <QByteArray>
#include <QHash>
#include <QMetaType>
#include <QMutex>
#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <variant>

// A marshal's press as the phone sent it, checked for form and for its sender.
struct MarshalPress
{
    int post = 0;
    QString postName;
    int classIndex = 0;
    int number = 0; // the entry's position in the list, counted from 1
    int run = 1;
    bool fs = false; // a missed gate; otherwise a knocked cone
    int delta = 1;
    std::int64_t pressedAt = 0; // the desk's time, ms since 1970; 0 when the phone sent none
    QString id; // the phone's name for the press, so a press sent twice counts once
};

// An answer to a phone: the status and a JSON body.
struct MarshalAnswer
{
    int status = 200;
    QByteArray body;
    // Seconds, for a 429.
    int retryAfter = 0;
};

Q_DECLARE_METATYPE(MarshalPress)
Q_DECLARE_METATYPE(MarshalAnswer)

// The marshals' door to the server: PINs, tokens and lock-outs. Safe from any thread: the server's
// thread asks, the interface thread hands it the posts and the runs the phones may see.
//
// Tokens are 128 random bits, held in memory only; a post's token ends when its PIN changes or the
// post goes. More than MaxWrongPins wrong PINs within a minute from one address, or more than
// MaxPressesPerSecond presses within a second on one token, lock that address or token out for
// LockMs.
class MarshalGate final
{
    Q_DISABLE_COPY_MOVE(MarshalGate)

public:
    static constexpr int MaxWrongPins = 5;
    static constexpr std::int64_t WrongPinWindowMs = 60000;
    static constexpr int MaxPressesPerSecond = 10;
    static constexpr std::int64_t LockMs = 60000;
    static constexpr qsizetype MaxBodyBytes = 1024;

    // clock: a steady count of milliseconds; the default is the system's monotonic clock.
    explicit MarshalGate(std::function<std::int64_t()> clock = {});

    void setSettings(const MarshalSettings &settings);
    bool isEnabled() const;

    // POST /api/posten/login, from address.
    MarshalAnswer login(const QString &address, QByteArrayView body);
    // POST /api/posten/strafe: the press to apply, or the answer when it goes no further.
    std::variant<MarshalPress, MarshalAnswer> press(QByteArrayView authorization, QByteArrayView body);
    // GET /api/posten/laeufe: the runs the phones may mark.
    MarshalAnswer runs(QByteArrayView authorization) const;
    void setRuns(const QByteArray &json);

    // For the desk: whether a token is still good.
    bool isTokenValid(const QByteArray &token) const;

    static MarshalAnswer error(int status, const QString &reason);

private:
    struct Lock
    {
        std::deque<std::int64_t> times;
        std::int64_t until = 0;
    };
    // The post the header's token belongs to, 0 for none.
    int postOf(QByteArrayView authorization) const;
    // Notes one more event; true when it is one too many (and the lock begins).
    bool noteAndLock(Lock &lock, std::int64_t now, std::int64_t window, int allowed);

    std::function<std::int64_t()> m_clock;
    mutable QMutex m_mutex;
    MarshalSettings m_settings;
    QHash<QByteArray, int> m_tokens; // token -> post number
    QHash<QString, Lock> m_wrongPins; // by address
    QHash<QByteArray, Lock> m_presses; // by token
    QByteArray m_runs = "{\"runs\":[]}";
};
