#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// A session bus of the test program's own: a dbus-daemon that starts no
// services, so that only the player and the stand-ins a test registers are
// on it. start() exports its address as DBUS_SESSION_BUS_ADDRESS; it must
// run before the program's first use of the session bus. The daemon is
// stopped by the destructor, and by the kernel should the test program die.
class PrivateBus {
public:
    PrivateBus() = default;
    ~PrivateBus();

    // False (with the reason in error()) when the daemon could not start.
    bool start();
    void stop();
    QString address() const { return address_; }
    QString error() const { return error_; }

private:
    QTemporaryDir dir_;
    std::unique_ptr<QProcess> daemon_;
    QString address_;
    QString error_;
};
