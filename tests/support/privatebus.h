#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// A session bus of the test program's own: a dbus-daemon that starts no
// services, so that only the player and the stand-ins a test registers are
// on it. Start() exports its address as DBUS_SESSION_BUS_ADDRESS; it must
// run before the program's first use of the session bus. The daemon is
// stopped by the destructor, and by the kernel should the test program die.
class TPrivateBus {
public:
    TPrivateBus() = default;
    ~TPrivateBus();

    // False (with the reason in Error()) when the daemon could not start.
    bool Start();
    void Stop();
    QString Address() const { return FAddress; }
    QString Error() const { return FError; }

private:
    QTemporaryDir FDir;
    std::unique_ptr<QProcess> FDaemon;
    QString FAddress;
    QString FError;
};
