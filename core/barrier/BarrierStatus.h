#pragma once

#include <QCoreApplication>
#include <QString>

// Whether the light barrier's port is open and a barrier answers on it, or why not.
struct BarrierStatus
{
    Q_DECLARE_TR_FUNCTIONS(BarrierStatus)

public:
    enum class State {
        Off, // port "None"
        Opened, // the port is open; no line has changed on it yet
        Connected, // a line has changed on the open port: something is wired to it
        NoDevice, // fewer serial devices than the port number, or the device file is missing
        PermissionDenied, // the user may not open the device
        Unplugged, // it was connected and went away; the link keeps trying
        NotSupported, // the device does not report modem-line changes
        Failed, // anything else, with the system's reason
    };

    State state = State::Off;
    int port = 0; // "COM n"
    QString device;
    int error = 0; // errno value where the system gave one

    bool isOpen() const { return state == State::Opened || state == State::Connected; }
    bool isConnected() const { return state == State::Connected; }
    // True where something is wrong that the operator should see.
    bool isProblem() const { return state != State::Off && !isOpen(); }
    // One line for the main window.
    QString text() const;
    // The fuller explanation, with what to do about it.
    QString details() const;

    friend bool operator==(const BarrierStatus &, const BarrierStatus &) = default;
};

// What an errno value from opening or watching the port means for the operator. After a
// connection, a vanished device is an unplugged adapter rather than a missing one.
BarrierStatus::State barrierStateForError(int error, bool wasConnected);
