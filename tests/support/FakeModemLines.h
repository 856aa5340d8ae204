#pragma once

#include "core/barrier/ModemLines.h"
#include "core/timing/PerfTimer.h"

#include <QString>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <deque>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <unistd.h>

// A counter in microseconds that the fake port sets from its own thread.
struct ScriptedCounter
{
    static inline std::atomic<std::int64_t> now {0};
    static std::int64_t frequency() { return 1'000'000; }
    static std::int64_t value() { return now.load(); }
    static void install(std::int64_t start = 1'000'000)
    {
        now = start;
        setPerfCounter({&frequency, &value});
    }
};

// A serial port whose lines a test scripts. Each step is one wake-up of the watcher's wait:
// the counter moves to the step's time, the lines take the step's state, and the wait answers
// the step's error. The wait blocks in a read of a pipe, as the kernel's wait blocks, so a
// signal ends it the same way.
class FakePort final
{
public:
    struct Step
    {
        std::int64_t atUs = 0;
        int lines = 0;
        int error = 0;
    };

    FakePort() { [[maybe_unused]] const int made = ::pipe2(m_pipe, O_CLOEXEC); }
    ~FakePort()
    {
        ::close(m_pipe[0]);
        ::close(m_pipe[1]);
    }
    FakePort(const FakePort &) = delete;
    FakePort &operator=(const FakePort &) = delete;

    // What the next opening answers: 0 opens the port.
    std::atomic<int> openError {0};
    // What reading the lines answers, after the wait.
    std::atomic<int> readError {0};
    std::atomic<int> lines {0};
    std::atomic<int> raised {0};
    std::atomic<int> opens {0};
    std::atomic<int> waitsEnded {0};

    void push(const Step &step)
    {
        {
            std::lock_guard lock(m_mutex);
            m_steps.push_back(step);
        }
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_pipe[1], &byte, 1);
    }

    int wait()
    {
        char byte = 0;
        const ssize_t got = ::read(m_pipe[0], &byte, 1);
        ++waitsEnded;
        if (got < 0)
            return errno;
        Step step;
        {
            std::lock_guard lock(m_mutex);
            step = m_steps.front();
            m_steps.pop_front();
        }
        lines = step.lines;
        ScriptedCounter::now = step.atUs;
        return step.error;
    }

    ModemLinesOpener opener(const std::shared_ptr<FakePort> &self)
    {
        return [self](const QString &) -> OpenedLines {
            ++self->opens;
            if (const int error = self->openError.load())
                return {nullptr, error};
            return {std::make_unique<Lines>(self), 0};
        };
    }

private:
    class Lines final : public ModemLines
    {
    public:
        explicit Lines(std::shared_ptr<FakePort> port)
            : m_port(std::move(port))
        {
        }
        int raise(int bits) override
        {
            m_port->raised |= bits;
            return 0;
        }
        int read(int &bits) override
        {
            bits = m_port->lines;
            return m_port->readError;
        }
        int waitForChange(int) override { return m_port->wait(); }

    private:
        std::shared_ptr<FakePort> m_port;
    };

    int m_pipe[2] = {-1, -1};
    std::mutex m_mutex;
    std::deque<Step> m_steps;
};
