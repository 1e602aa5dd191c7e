#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class Tapp;
class TGTabButton;
class TMprisPlayerAdaptor;

// The player on the session bus as an MPRIS 2 media player, for media keys,
// panel widgets and phone remotes. Every command goes through the handler of
// the skin control that does the same, and only when that control is
// enabled; every state shown is the state the position poll last saw.
//
// The first player takes the name org.mpris.MediaPlayer2.norrava; one
// started while it runs takes the same name followed by ".instance" and its
// process id, as the desktop expects of players with several instances.
class TMprisService : public QObject {
    Q_OBJECT
public:
    static const QString ServiceName;
    static const QString ObjectPath;
    static const QString PlayerInterface;
    // The track id of "nothing open".
    static const QDBusObjectPath NoTrack;

    TMprisService(Tapp* app, QDBusConnection bus, QObject* parent = nullptr);
    ~TMprisService() override;

    // The name taken on the bus; empty when none could be taken.
    QString BusName() const { return FBusName; }

    // org.mpris.MediaPlayer2
    void Raise();
    void Quit();
    QStringList SupportedMimeTypes() const { return FMimeTypes; }

    // org.mpris.MediaPlayer2.Player
    QString PlaybackStatus() const;
    qlonglong Position() const;
    double Volume() const;
    void SetVolume(double volume);
    QVariantMap Metadata() const;
    bool CanPlay() const;
    bool CanPause() const;
    bool CanSeek() const;
    bool CanGoNext() const { return FCanGoNext; }
    bool CanGoPrevious() const { return FCanGoPrevious; }

    void Play();
    void Pause();
    void PlayPause();
    void Stop();
    void Next();
    void Previous();
    void Seek(qlonglong offset);
    void SetPosition(const QDBusObjectPath& track, qlonglong position);
    void OpenUri(const QString& uri);

    // Position units of the open medium (frames, milliseconds) and µs.
    qlonglong UnitsToMicroseconds(qlonglong units) const;
    int MicrosecondsToUnits(qlonglong microseconds) const;

private:
    // What PropertiesChanged reports; compared after every event.
    struct TPublished {
        QString status;
        QDBusObjectPath track;
        qlonglong length = 0;
        double volume = 0;
        bool canPlay = false, canPause = false, canSeek = false, canGoNext = false, canGoPrevious = false;
        bool operator==(const TPublished&) const = default;
    };

    void Register();
    void MediaOpened(const QString& path);
    void MediaClosed();
    void Sought();
    void PublishChanges();
    TPublished Current() const;
    QDBusObjectPath Track() const;
    void UpdateNeighbours();
    QString Neighbour(int step) const;
    void Open(const QString& neighbour);
    void SeekTo(qlonglong microseconds);
    void Press(TGTabButton* button);
    QString Mask() const;

    Tapp* FApp;
    QDBusConnection FBus;
    TMprisPlayerAdaptor* FPlayer = nullptr;
    QString FBusName;
    bool FObjectRegistered = false;
    QStringList FMimeTypes;
    QString FPath; // the open medium; empty when none is open
    int FTrackNumber = 0;
    bool FCanGoNext = false;
    bool FCanGoPrevious = false;
    TPublished FPublished;
};
