#include "core/marks/HandTimes.h"

void ClassHandTimes::follow(const QString &name, int run, std::int32_t time, HandSource source)
{
    const std::pair<QString, int> key {name, run};
    auto found = m_runs.find(key);
    switch (source) {
    case HandSource::Hand:
        if (found == m_runs.end())
            found = m_runs.emplace(key, Run {}).first;
        found->second.current = time;
        found->second.entered.insert(time);
        return;
    case HandSource::PutBack:
        if (found != m_runs.end()) {
            Run &r = found->second;
            r.current = r.entered.count(time) > 0 ? std::optional<std::int32_t>(time) : std::nullopt;
        }
        return;
    case HandSource::Other:
        if (found != m_runs.end())
            found->second.current.reset();
        return;
    }
}

bool ClassHandTimes::isHandTime(const QString &name, int run, std::int32_t time) const
{
    if (time == 0)
        return false;
    const auto found = m_runs.find({name, run});
    // A change that bypassed the journal leaves a different time: that one is not the hand time.
    return found != m_runs.end() && found->second.current == time;
}

QString handTimeLegend()
{
    return QStringLiteral("H = von Hand eingetragene Zeit");
}

QString handTimeMark()
{
    return QStringLiteral("H");
}
