#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <utility>

// How a change of a run's time came about, as far as hand times care: an official's time typed
// by hand, an earlier value put back (undo, redo, a restore), or anything else (the clock, a
// clear, an edit).
enum class HandSource { Hand, PutBack, Other };

// The runs of one class whose time was entered by hand. Kept by the driver's name and run, so the
// mark follows the driver through sorting; a run counts only while its time is still the value
// entered by hand.
class ClassHandTimes final
{
public:
    // One change of a run's time, in the order they happened.
    void follow(const QString &name, int run, std::int32_t time, HandSource source);
    bool isHandTime(const QString &name, int run, std::int32_t time) const;
    bool isEmpty() const { return m_runs.empty(); }

private:
    struct Run
    {
        // The time while it is one entered by hand.
        std::optional<std::int32_t> current;
        // Every value ever entered by hand, so an undo or restore back to one counts again.
        std::set<std::int32_t> entered;
    };
    std::map<std::pair<QString, int>, Run> m_runs;
};

// Where the outputs find the hand times of a class: the journal, through the race session.
class HandTimesSource
{
public:
    virtual ~HandTimesSource() = default;
    virtual ClassHandTimes handTimes(int classIndex) const = 0;
};

// The one line that explains the mark wherever a hand time is shown.
QString handTimeLegend();
// The mark beside a hand time.
QString handTimeMark();
