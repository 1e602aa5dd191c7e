#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>

class QDBusPendingCallWatcher;
class Tapp;

// Keeps the screen awake while it is wanted: through the desktop portal's
// Inhibit when a portal is on the bus, else through the screen saver's
// Inhibit and UnInhibit. Asking and releasing never wait for the desktop; a
// desktop that refuses or has neither service leaves the screen to its own
// idle rules, silently.
class TIdleInhibitor : public QObject {
    Q_OBJECT
public:
    static const QString PortalService;
    static const QString PortalPath;
    static const QString ScreenSaverService;
    static const QString ScreenSaverPath;

    enum class TBackend { None, Portal, ScreenSaver };

    explicit TIdleInhibitor(QDBusConnection bus, QObject* parent = nullptr);
    ~TIdleInhibitor() override;

    // Holds the inhibition while app plays a medium with video, as its poll
    // sees it; releases it on pause, stop, the end, a load and close.
    void Follow(Tapp* app);

    // Asks for the inhibition once each time wanted becomes true; releases
    // it when wanted becomes false.
    void SetWanted(bool wanted);
    bool Wanted() const { return FWanted; }
    // Which service holds the inhibition now; None while none does.
    TBackend Held() const { return FHeld; }

    // The window the portal may name in its dialogs ("x11:1c00005"); empty
    // when unknown.
    QString WindowId;

signals:
    // The service answered: the inhibition is held, or could not be had.
    void Answered();

private:
    void Request();
    void AskScreenSaver();
    void Release();
    bool PortalIsThere() const;
    void Pending(const QDBusMessage& call, void (TIdleInhibitor::*done)(QDBusPendingCallWatcher*));
    void PortalAnswered(QDBusPendingCallWatcher* call);
    void ScreenSaverAnswered(QDBusPendingCallWatcher* call);

    QDBusConnection FBus;
    bool FWanted = false;
    bool FAsked = false;   // asked since wanted last became true
    bool FPending = false; // a request is on its way
    TBackend FHeld = TBackend::None;
    QDBusObjectPath FPortalRequest;
    uint FCookie = 0;
};
