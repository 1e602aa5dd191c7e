#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class Tapp;
class TGTabButton;
class MprisPlayerAdaptor;

// The player on the session bus as an MPRIS 2 media player, for media keys,
// panel widgets and phone remotes. Every command goes through the handler of
// the skin control that does the same, and only when that control is
// enabled; every state shown is the state the position poll last saw.
//
// The first player takes the name org.mpris.MediaPlayer2.norrava; one
// started while it runs takes the same name followed by ".instance" and its
// process id, as the desktop expects of players with several instances.
class MprisService : public QObject {
    Q_OBJECT
public:
    static const QString kServiceName;
    static const QString kObjectPath;
    static const QString kPlayerInterface;
    // The track id of "nothing open".
    static const QDBusObjectPath kNoTrack;

    MprisService(Tapp* app, QDBusConnection bus, QObject* parent = nullptr);
    ~MprisService() override;

    // The name taken on the bus; empty when none could be taken.
    QString busName() const { return busName_; }

    // org.mpris.MediaPlayer2
    void Raise();
    void Quit();
    QStringList SupportedMimeTypes() const { return mimeTypes_; }

    // org.mpris.MediaPlayer2.Player
    QString PlaybackStatus() const;
    qlonglong Position() const;
    double Volume() const;
    void SetVolume(double volume);
    QVariantMap Metadata() const;
    bool CanPlay() const;
    bool CanPause() const;
    bool CanSeek() const;
    bool CanGoNext() const { return canGoNext_; }
    bool CanGoPrevious() const { return canGoPrevious_; }

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
    qlonglong unitsToMicroseconds(qlonglong units) const;
    int microsecondsToUnits(qlonglong microseconds) const;

private:
    // What PropertiesChanged reports; compared after every event.
    struct Published {
        QString status;
        QDBusObjectPath track;
        qlonglong length = 0;
        double volume = 0;
        bool canPlay = false, canPause = false, canSeek = false, canGoNext = false, canGoPrevious = false;
        bool operator==(const Published&) const = default;
    };

    void registerOnBus();
    void mediaOpened(const QString& path);
    void mediaClosed();
    void sought();
    void publishChanges();
    Published current() const;
    QDBusObjectPath trackId() const;
    void updateNeighbours();
    QString neighbour(int step) const;
    void openNeighbour(const QString& file);
    void seekTo(qlonglong microseconds);
    void press(TGTabButton* button);
    QString mask() const;

    Tapp* app_;
    QDBusConnection bus_;
    MprisPlayerAdaptor* player_ = nullptr;
    QString busName_;
    bool objectRegistered_ = false;
    QStringList mimeTypes_;
    QString path_; // the open medium; empty when none is open
    int trackNumber_ = 0;
    bool canGoNext_ = false;
    bool canGoPrevious_ = false;
    Published published_;
};
