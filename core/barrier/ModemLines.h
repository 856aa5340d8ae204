#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// The modem lines of one open serial port. The watcher calls these on its own thread; each
// answers 0 or the errno value of the failure.
class ModemLines
{
public:
    virtual ~ModemLines() = default;
    // Switches the given output lines on (TIOCMBIS).
    virtual int raise(int lines) = 0;
    // The state of every line (TIOCMGET).
    virtual int read(int &lines) = 0;
    // Blocks until one of the given lines changes (TIOCMIWAIT). A signal to the calling thread
    // ends the wait with EINTR.
    virtual int waitForChange(int lines) = 0;
};

// A port opened, or the errno value that kept it closed.
struct OpenedLines
{
    std::unique_ptr<ModemLines> lines;
    int error = 0;
};

using ModemLinesOpener = std::function<OpenedLines(const QString &device)>;

// The real thing: the device file with POSIX ioctls.
OpenedLines openSerialLines(const QString &device);

// Where the barrier's ports come from: the machine's serial devices ("COM n" is the n-th) and
// how one is opened. The windows list the devices; tests put fakes here.
struct BarrierPorts
{
    std::function<QStringList()> devices;
    ModemLinesOpener open;
};

// Device paths in the order the operator numbers them: by name, a number in the name counting
// as a number, so /dev/ttyS2 comes before /dev/ttyS10.
QStringList sortSerialDevices(QStringList devices);
