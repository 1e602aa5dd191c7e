#include "idleinhibitor.h"

#include "tapp.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QVariantMap>
#include <QWindow>

const QString IdleInhibitor::kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString IdleInhibitor::kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString IdleInhibitor::kScreenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString IdleInhibitor::kScreenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");

namespace {

constexpr uint kInhibitIdle = 8; // the portal's flag for "the session going idle"
const QString kReason = QStringLiteral("Playing a video");

} // namespace

IdleInhibitor::IdleInhibitor(QDBusConnection bus, QObject* parent) : QObject(parent), bus_(std::move(bus)) {}

IdleInhibitor::~IdleInhibitor()
{
    setWanted(false);
}

void IdleInhibitor::follow(Tapp* app)
{
    connect(app, &Tapp::Polled, this, [this, app] {
        if (windowId.isEmpty() && QGuiApplication::platformName() == QStringLiteral("xcb") && app->windowHandle())
            windowId = QStringLiteral("x11:") + QString::number(app->windowHandle()->winId(), 16);
        setWanted(app->HasVideo && app->ShownState == Tapp::TShownState::Playing);
    });
    connect(app, &Tapp::MediaClosed, this, [this] { setWanted(false); });
    connect(app, &Tapp::Closing, this, [this] { setWanted(false); });
}

void IdleInhibitor::setWanted(bool wanted)
{
    wanted_ = wanted;
    if (!wanted) {
        asked_ = false;
        release(); // one still on its way is released when it arrives
        return;
    }
    // Asked once per period of playing, not again on every tick when the
    // desktop has no service to ask.
    if (asked_ || pending_ || held_ != Backend::None)
        return;
    asked_ = true;
    request();
}

bool IdleInhibitor::portalIsThere() const
{
    QDBusConnectionInterface* daemon = bus_.interface();
    if (!daemon)
        return false;
    if (daemon->isServiceRegistered(kPortalService).value())
        return true;
    // The portal is usually started on first use.
    return daemon->activatableServiceNames().value().contains(kPortalService);
}

void IdleInhibitor::pending(const QDBusMessage& call, void (IdleInhibitor::*done)(QDBusPendingCallWatcher*))
{
    pending_ = true;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, done](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        pending_ = false;
        (this->*done)(w);
    });
}

void IdleInhibitor::request()
{
    if (!portalIsThere()) {
        askScreenSaver();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath,
                                                       QStringLiteral("org.freedesktop.portal.Inhibit"),
                                                       QStringLiteral("Inhibit"));
    QVariantMap options;
    options.insert(QStringLiteral("reason"), kReason);
    call << windowId << kInhibitIdle << options;
    pending(call, &IdleInhibitor::portalAnswered);
}

void IdleInhibitor::askScreenSaver()
{
    QDBusMessage call = QDBusMessage::createMethodCall(kScreenSaverService, kScreenSaverPath, kScreenSaverService,
                                                       QStringLiteral("Inhibit"));
    call << QStringLiteral("Norrava") << kReason;
    pending(call, &IdleInhibitor::screenSaverAnswered);
}

void IdleInhibitor::portalAnswered(QDBusPendingCallWatcher* call)
{
    const QDBusPendingReply<QDBusObjectPath> reply = *call;
    if (reply.isError()) {
        // A portal without an inhibit back end: the screen saver may do.
        if (wanted_)
            askScreenSaver();
        else
            emit answered();
        return;
    }
    held_ = Backend::Portal;
    portalRequest_ = reply.value();
    if (!wanted_)
        release();
    emit answered();
}

void IdleInhibitor::screenSaverAnswered(QDBusPendingCallWatcher* call)
{
    const QDBusPendingReply<uint> reply = *call;
    if (!reply.isError()) {
        held_ = Backend::ScreenSaver;
        cookie_ = reply.value();
        if (!wanted_)
            release();
    }
    emit answered();
}

void IdleInhibitor::release()
{
    QDBusMessage call;
    switch (held_) {
    case Backend::None:
        return;
    case Backend::Portal:
        call = QDBusMessage::createMethodCall(kPortalService, portalRequest_.path(),
                                              QStringLiteral("org.freedesktop.portal.Request"),
                                              QStringLiteral("Close"));
        break;
    case Backend::ScreenSaver:
        call = QDBusMessage::createMethodCall(kScreenSaverService, kScreenSaverPath, kScreenSaverService,
                                              QStringLiteral("UnInhibit"));
        call << cookie_;
        break;
    }
    held_ = Backend::None;
    // Nothing waits for the answer; the services also drop what a client
    // held when it leaves the bus.
    call.setAutoStartService(false);
    bus_.send(call);
}
