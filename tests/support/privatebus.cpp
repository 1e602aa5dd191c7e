#include "privatebus.h"

#include <QFile>

#include <csignal>
#include <cstdlib>
#include <sys/prctl.h>

TPrivateBus::~TPrivateBus()
{
    Stop();
}

void TPrivateBus::Stop()
{
    if (FDaemon && FDaemon->state() != QProcess::NotRunning) {
        FDaemon->terminate();
        if (!FDaemon->waitForFinished(10000))
            FDaemon->kill();
        FDaemon->waitForFinished(10000);
    }
}

bool TPrivateBus::Start()
{
    if (!FDir.isValid()) {
        FError = "no temporary folder";
        return false;
    }
    const QString config = FDir.filePath("bus.conf");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        FError = "cannot write " + config;
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
                   .arg(FDir.path())
                   .toUtf8());
    file.close();

    FDaemon = std::make_unique<QProcess>();
    FDaemon->setProcessChannelMode(QProcess::SeparateChannels);
    FDaemon->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    FDaemon->start("dbus-daemon", {"--config-file=" + config, "--nofork", "--nopidfile", "--nosyslog",
                                   "--print-address"});
    if (!FDaemon->waitForStarted(30000)) {
        FError = "dbus-daemon did not start: " + FDaemon->errorString();
        return false;
    }
    // The address is printed once the daemon listens.
    QByteArray line;
    while (!line.contains('\n')) {
        if (!FDaemon->waitForReadyRead(30000)) {
            FError = "dbus-daemon printed no address: " + QString::fromLocal8Bit(FDaemon->readAllStandardError());
            return false;
        }
        line += FDaemon->readAllStandardOutput();
    }
    FAddress = QString::fromUtf8(line.left(line.indexOf('\n')).trimmed());
    qputenv("DBUS_SESSION_BUS_ADDRESS", FAddress.toUtf8());
    return true;
}
