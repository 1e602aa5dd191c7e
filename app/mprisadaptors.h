#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QStringList>
#include <QVariantMap>

#include "mprisservice.h"

// The two MPRIS 2 interfaces as QtDBus exports them: properties, methods and
// signals named as the MPRIS specification names them, each handed on to
// TMprisService. Rate is fixed at 1.0, as the specification asks of players
// that play only at normal speed.

class TMprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
public:
    explicit TMprisRootAdaptor(TMprisService* service);

    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return QStringLiteral("Norrava"); }
    QString DesktopEntry() const { return QStringLiteral("norrava"); }
    QStringList SupportedUriSchemes() const { return {QStringLiteral("file")}; }
    QStringList SupportedMimeTypes() const { return FService->SupportedMimeTypes(); }

public slots:
    void Raise() { FService->Raise(); }
    void Quit() { FService->Quit(); }

private:
    TMprisService* FService;
};

class TMprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPause)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)
public:
    explicit TMprisPlayerAdaptor(TMprisService* service);

    QString PlaybackStatus() const { return FService->PlaybackStatus(); }
    double Rate() const { return 1.0; }
    void SetRate(double) {}
    QVariantMap Metadata() const { return FService->Metadata(); }
    double Volume() const { return FService->Volume(); }
    void SetVolume(double volume) { FService->SetVolume(volume); }
    qlonglong Position() const { return FService->Position(); }
    bool CanGoNext() const { return FService->CanGoNext(); }
    bool CanGoPrevious() const { return FService->CanGoPrevious(); }
    bool CanPlay() const { return FService->CanPlay(); }
    bool CanPause() const { return FService->CanPause(); }
    bool CanSeek() const { return FService->CanSeek(); }
    bool CanControl() const { return true; }

public slots:
    void Next() { FService->Next(); }
    void Previous() { FService->Previous(); }
    void Pause() { FService->Pause(); }
    void PlayPause() { FService->PlayPause(); }
    void Stop() { FService->Stop(); }
    void Play() { FService->Play(); }
    void Seek(qlonglong Offset) { FService->Seek(Offset); }
    void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) { FService->SetPosition(TrackId, Position); }
    void OpenUri(const QString& Uri) { FService->OpenUri(Uri); }

signals:
    void Seeked(qlonglong Position);

private:
    TMprisService* FService;
};
