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
class IdleInhibitor : public QObject {
    Q_OBJECT
public:
    static const QString kPortalService;
    static const QString kPortalPath;
    static const QString kScreenSaverService;
    static const QString kScreenSaverPath;

    enum class Backend { None, Portal, ScreenSaver };

    explicit IdleInhibitor(QDBusConnection bus, QObject* parent = nullptr);
    ~IdleInhibitor() override;

    // Holds the inhibition while app plays a medium with video, as its poll
    // sees it; releases it on pause, stop, the end, a load and close.
    void follow(Tapp* app);

    // Asks for the inhibition once each time wanted becomes true; releases
    // it when wanted becomes false.
    void setWanted(bool wanted);
    bool wanted() const { return wanted_; }
    // Which service holds the inhibition now; None while none does.
    Backend held() const { return held_; }

    // The window the portal may name in its dialogs ("x11:1c00005"); empty
    // when unknown.
    QString windowId;

signals:
    // The service answered: the inhibition is held, or could not be had.
    void answered();

private:
    void request();
    void askScreenSaver();
    void release();
    bool portalIsThere() const;
    void pending(const QDBusMessage& call, void (IdleInhibitor::*done)(QDBusPendingCallWatcher*));
    void portalAnswered(QDBusPendingCallWatcher* call);
    void screenSaverAnswered(QDBusPendingCallWatcher* call);

    QDBusConnection bus_;
    bool wanted_ = false;
    bool asked_ = false;   // asked since wanted last became true
    bool pending_ = false; // a request is on its way
    Backend held_ = Backend::None;
    QDBusObjectPath portalRequest_;
    uint cookie_ = 0;
};
