#include "core/marshal/MarshalGate.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QSet>

#include <array>
#include <cmath>

namespace {
// A whole number within [low, high] written as such: no fraction, no string.
bool wholeIn(const QJsonValue &value, double low, double high, std::int64_t &out)
{
    if (!value.isDouble())
        return false;
    const double d = value.toDouble();
    if (!(d >= low && d <= high) || std::floor(d) != d)
        return false;
    out = std::int64_t(d);
    return true;
}

// Strict: one JSON object, of the keys given and no others.
bool readObject(QByteArrayView body, const QSet<QString> &required, const QSet<QString> &optional, QJsonObject &out)
{
    if (body.size() > MarshalGate::MaxBodyBytes)
        return false;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    out = document.object();
    for (const QString &key : required) {
        if (!out.contains(key))
            return false;
    }
    for (auto it = out.begin(); it != out.end(); ++it) {
        if (!required.contains(it.key()) && !optional.contains(it.key()))
            return false;
    }
    return true;
}

QByteArray newToken()
{
    std::array<quint32, 4> bits;
    QRandomGenerator::system()->fillRange(bits.data(), bits.size());
    return QByteArray(reinterpret_cast<const char *>(bits.data()), sizeof bits).toHex();
}

// Compares in a time that does not tell how much of the PIN was right.
bool samePin(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return false;
    ushort diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        diff |= a[i].unicode() ^ b[i].unicode();
    return diff == 0;
}
} // namespace

MarshalGate::MarshalGate(std::function<std::int64_t()> clock)
    : m_clock(std::move(clock))
{
    if (!m_clock) {
        auto timer = std::make_shared<QElapsedTimer>();
        timer->start();
        // Starts past a lock's length, so a lock of 0 is never "still running".
        m_clock = [timer] { return timer->elapsed() + LockMs; };
    }
}

MarshalAnswer MarshalGate::error(int status, const QString &reason)
{
    MarshalAnswer answer;
    answer.status = status;
    answer.body = QJsonDocument(QJsonObject {{QStringLiteral("error"), reason}}).toJson(QJsonDocument::Compact);
    if (status == 429)
        answer.retryAfter = int(LockMs / 1000);
    return answer;
}

void MarshalGate::setSettings(const MarshalSettings &settings)
{
    QMutexLocker lock(&m_mutex);
    // A token ends with its post's PIN, and all of them when the posts are switched off.
    for (auto it = m_tokens.begin(); it != m_tokens.end();) {
        const MarshalPost *before = m_settings.post(it.value());
        const MarshalPost *after = settings.post(it.value());
        if (!settings.enabled || !after || !before || before->pin != after->pin) {
            m_presses.remove(it.key());
            it = m_tokens.erase(it);
        } else {
            ++it;
        }
    }
    m_settings = settings;
}

bool MarshalGate::isEnabled() const
{
    QMutexLocker lock(&m_mutex);
    return m_settings.enabled;
}

bool MarshalGate::noteAndLock(Lock &lock, std::int64_t now, std::int64_t window, int allowed)
{
    while (!lock.times.empty() && now - lock.times.front() >= window)
        lock.times.pop_front();
    lock.times.push_back(now);
    if (int(lock.times.size()) <= allowed)
        return false;
    lock.until = now + LockMs;
    lock.times.clear();
    return true;
}

MarshalAnswer MarshalGate::login(const QString &address, QByteArrayView body)
{
    QMutexLocker lock(&m_mutex);
    if (!m_settings.enabled)
        return error(403, QStringLiteral("Streckenposten sind nicht eingeschaltet."));
    const std::int64_t now = m_clock();
    Lock &wrong = m_wrongPins[address];
    if (wrong.until > now)
        return error(429, QStringLiteral("Zu viele falsche PINs. Bitte eine Minute warten."));
    QJsonObject object;
    if (!readObject(body, {QStringLiteral("pin")}, {}, object) || !object.value(QStringLiteral("pin")).isString())
        return error(400, QStringLiteral("Ungültige Anfrage."));
    const QString pin = object.value(QStringLiteral("pin")).toString();
    const MarshalPost *match = nullptr;
    int matches = 0;
    for (const MarshalPost &post : std::as_const(m_settings.posts)) {
        if (post.hasValidPin() && samePin(post.pin, pin)) {
            match = &post;
            ++matches;
        }
    }
    // Two posts with one PIN (a file edited by hand) name neither.
    if (matches != 1) {
        if (noteAndLock(wrong, now, WrongPinWindowMs, MaxWrongPins))
            return error(429, QStringLiteral("Zu viele falsche PINs. Bitte eine Minute warten."));
        return error(401, QStringLiteral("Falsche PIN."));
    }
    const QByteArray token = newToken();
    m_tokens.insert(token, match->number);
    MarshalAnswer answer;
    answer.body = QJsonDocument(QJsonObject {{QStringLiteral("token"), QString::fromLatin1(token)},
                                             {QStringLiteral("post"), match->number},
                                             {QStringLiteral("name"), match->name}})
                      .toJson(QJsonDocument::Compact);
    return answer;
}

int MarshalGate::postOf(QByteArrayView authorization) const
{
    const QByteArray header = authorization.toByteArray().trimmed();
    if (header.size() < 7 || header.left(7).toLower() != "bearer ")
        return 0;
    return m_tokens.value(header.mid(7).trimmed(), 0);
}

bool MarshalGate::isTokenValid(const QByteArray &token) const
{
    QMutexLocker lock(&m_mutex);
    return m_tokens.contains(token);
}

std::variant<MarshalPress, MarshalAnswer> MarshalGate::press(QByteArrayView authorization, QByteArrayView body)
{
    QMutexLocker lock(&m_mutex);
    const int postNumber = postOf(authorization);
    const MarshalPost *post = m_settings.post(postNumber);
    if (!m_settings.enabled || !post)
        return error(401, QStringLiteral("Nicht angemeldet."));
    const QByteArray token = authorization.toByteArray().trimmed().mid(7).trimmed();
    const std::int64_t now = m_clock();
    Lock &presses = m_presses[token];
    if (presses.until > now || noteAndLock(presses, now, 1000, MaxPressesPerSecond))
        return error(429, QStringLiteral("Zu viele Eingaben. Bitte kurz warten."));

    QJsonObject o;
    if (!readObject(body,
                    {QStringLiteral("class"), QStringLiteral("number"), QStringLiteral("run"), QStringLiteral("field"),
                     QStringLiteral("delta"), QStringLiteral("pressedAt")},
                    {QStringLiteral("id")}, o))
        return error(400, QStringLiteral("Ungültige Anfrage."));
    MarshalPress press;
    press.post = post->number;
    press.postName = post->name;
    std::int64_t classIndex = 0, number = 0, run = 0, delta = 0, pressedAt = 0;
    const QString field = o.value(QStringLiteral("field")).toString();
    const QJsonValue id = o.value(QStringLiteral("id"));
    if (!wholeIn(o.value(QStringLiteral("class")), 1, 10, classIndex)
        || !wholeIn(o.value(QStringLiteral("number")), 1, 100000, number)
        || !wholeIn(o.value(QStringLiteral("run")), 1, 2, run)
        || !wholeIn(o.value(QStringLiteral("delta")), -1, 1, delta) || delta == 0
        || !wholeIn(o.value(QStringLiteral("pressedAt")), 0, 9.0e15, pressedAt)
        || (field != QLatin1String("fp") && field != QLatin1String("fs"))
        || (!id.isUndefined() && (!id.isString() || id.toString().isEmpty() || id.toString().size() > 40)))
        return error(400, QStringLiteral("Ungültige Anfrage."));
    press.classIndex = int(classIndex);
    press.number = int(number);
    press.run = int(run);
    press.fs = field == QLatin1String("fs");
    press.delta = int(delta);
    press.pressedAt = pressedAt;
    press.id = id.toString();
    return press;
}

MarshalAnswer MarshalGate::runs(QByteArrayView authorization) const
{
    QMutexLocker lock(&m_mutex);
    if (!m_settings.enabled || !m_settings.post(postOf(authorization)))
        return error(401, QStringLiteral("Nicht angemeldet."));
    MarshalAnswer answer;
    answer.body = m_runs;
    return answer;
}

void MarshalGate::setRuns(const QByteArray &json)
{
    QMutexLocker lock(&m_mutex);
    m_runs = json;
}
