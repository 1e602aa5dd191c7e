#include "idleinhibitor.h"

#include "tapp.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QVariantMap>
#include <QWindow>

const QString TIdleInhibitor::PortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString TIdleInhibitor::PortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString TIdleInhibitor::ScreenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString TIdleInhibitor::ScreenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");

namespace {

constexpr uint kInhibitIdle = 8; // the portal's flag for "the session going idle"
const QString kReason = QStringLiteral("Playing a video");

} // namespace

TIdleInhibitor::TIdleInhibitor(QDBusConnection bus, QObject* parent) : QObject(parent), FBus(std::move(bus)) {}

TIdleInhibitor::~TIdleInhibitor()
{
    SetWanted(false);
}

void TIdleInhibitor::Follow(Tapp* app)
{
    connect(app, &Tapp::Polled, this, [this, app] {
        if (WindowId.isEmpty() && QGuiApplication::platformName() == QStringLiteral("xcb") && app->windowHandle())
            WindowId = QStringLiteral("x11:") + QString::number(app->windowHandle()->winId(), 16);
        SetWanted(app->HasVideo && app->ShownState == Tapp::TShownState::Playing);
    });
    connect(app, &Tapp::MediaClosed, this, [this] { SetWanted(false); });
    connect(app, &Tapp::Closing, this, [this] { SetWanted(false); });
}

void TIdleInhibitor::SetWanted(bool wanted)
{
    FWanted = wanted;
    if (!wanted) {
        FAsked = false;
        Release(); // one still on its way is released when it arrives
        return;
    }
    // Asked once per period of playing, not again on every tick when the
    // desktop has no service to ask.
    if (FAsked || FPending || FHeld != TBackend::None)
        return;
    FAsked = true;
    Request();
}

bool TIdleInhibitor::PortalIsThere() const
{
    QDBusConnectionInterface* daemon = FBus.interface();
    if (!daemon)
        return false;
    if (daemon->isServiceRegistered(PortalService).value())
        return true;
    // The portal is usually started on first use.
    return daemon->activatableServiceNames().value().contains(PortalService);
}

void TIdleInhibitor::Pending(const QDBusMessage& call, void (TIdleInhibitor::*done)(QDBusPendingCallWatcher*))
{
    FPending = true;
    auto* watcher = new QDBusPendingCallWatcher(FBus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, done](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        FPending = false;
        (this->*done)(w);
    });
}

void TIdleInhibitor::Request()
{
    if (!PortalIsThere()) {
        AskScreenSaver();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(PortalService, PortalPath,
                                                       QStringLiteral("org.freedesktop.portal.Inhibit"),
                                                       QStringLiteral("Inhibit"));
    QVariantMap options;
    options.insert(QStringLiteral("reason"), kReason);
    call << WindowId << kInhibitIdle << options;
    Pending(call, &TIdleInhibitor::PortalAnswered);
}

void TIdleInhibitor::AskScreenSaver()
{
    QDBusMessage call = QDBusMessage::createMethodCall(ScreenSaverService, ScreenSaverPath, ScreenSaverService,
                                                       QStringLiteral("Inhibit"));
    call << QStringLiteral("Norrava") << kReason;
    Pending(call, &TIdleInhibitor::ScreenSaverAnswered);
}

void TIdleInhibitor::PortalAnswered(QDBusPendingCallWatcher* call)
{
    const QDBusPendingReply<QDBusObjectPath> reply = *call;
    if (reply.isError()) {
        // A portal without an inhibit back end: the screen saver may do.
        if (FWanted)
            AskScreenSaver();
        else
            emit Answered();
        return;
    }
    FHeld = TBackend::Portal;
    FPortalRequest = reply.value();
    if (!FWanted)
        Release();
    emit Answered();
}

void TIdleInhibitor::ScreenSaverAnswered(QDBusPendingCallWatcher* call)
{
    const QDBusPendingReply<uint> reply = *call;
    if (!reply.isError()) {
        FHeld = TBackend::ScreenSaver;
        FCookie = reply.value();
        if (!FWanted)
            Release();
    }
    emit Answered();
}

void TIdleInhibitor::Release()
{
    QDBusMessage call;
    switch (FHeld) {
    case TBackend::None:
        return;
    case TBackend::Portal:
        call = QDBusMessage::createMethodCall(PortalService, FPortalRequest.path(),
                                              QStringLiteral("org.freedesktop.portal.Request"),
                                              QStringLiteral("Close"));
        break;
    case TBackend::ScreenSaver:
        call = QDBusMessage::createMethodCall(ScreenSaverService, ScreenSaverPath, ScreenSaverService,
                                              QStringLiteral("UnInhibit"));
        call << FCookie;
        break;
    }
    FHeld = TBackend::None;
    // Nothing waits for the answer; the services also drop what a client
    // held when it leaves the bus.
    call.setAutoStartService(false);
    FBus.send(call);
}
