#include "privatebus.h"

#include <QFile>

#include <csignal>
#include <cstdlib>
#include <sys/prctl.h>

PrivateBus::~PrivateBus()
{
    stop();
}

void PrivateBus::stop()
{
    if (daemon_ && daemon_->state() != QProcess::NotRunning) {
        daemon_->terminate();
        if (!daemon_->waitForFinished(10000))
            daemon_->kill();
        daemon_->waitForFinished(10000);
    }
}

bool PrivateBus::start()
{
    if (!dir_.isValid()) {
        error_ = "no temporary folder";
        return false;
    }
    const QString config = dir_.filePath("bus.conf");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        error_ = "cannot write " + config;
        return false;
    }
    file.write(QStringLiteral(
                   "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                   " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                   "<busconfig>\n"
                   "  <type>session</type>\n"
                   "  <listen>unix:dir=%1</listen>\n"
                   "  <auth>EXTERNAL</auth>\n"
                   "  <policy context=\"default\">\n"
                   "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                   "    <allow eavesdrop=\"true\"/>\n"
                   "    <allow own=\"*\"/>\n"
                   "  </policy>\n"
                   "</busconfig>\n")
                   .arg(dir_.path())
                   .toUtf8());
    file.close();

    daemon_ = std::make_unique<QProcess>();
    daemon_->setProcessChannelMode(QProcess::SeparateChannels);
    daemon_->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    daemon_->start("dbus-daemon", {"--config-file=" + config, "--nofork", "--nopidfile", "--nosyslog",
                                   "--print-address"});
    if (!daemon_->waitForStarted(30000)) {
        error_ = "dbus-daemon did not start: " + daemon_->errorString();
        return false;
    }
    // The address is printed once the daemon listens.
    QByteArray line;
    while (!line.contains('\n')) {
        if (!daemon_->waitForReadyRead(30000)) {
            error_ = "dbus-daemon printed no address: " + QString::fromLocal8Bit(daemon_->readAllStandardError());
            return false;
        }
        line += daemon_->readAllStandardOutput();
    }
    address_ = QString::fromUtf8(line.left(line.indexOf('\n')).trimmed());
    qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toUtf8());
    return true;
}
