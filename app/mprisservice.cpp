#include "mprisservice.h"

#include "fileblind.h"
#include "filenavigator.h"
#include "gtabbutton.h"
#include "mcisession.h"
#include "mediachannel.h"
#include "mediacommands.h"
#include "mediafolder.h"
#include "mprisadaptors.h"
#include "rxslider.h"
#include "statushandle.h"
#include "statuspanel.h"
#include "tapp.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <limits>

const QString TMprisService::ServiceName = QStringLiteral("org.mpris.MediaPlayer2.norrava");
const QString TMprisService::ObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString TMprisService::PlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QDBusObjectPath TMprisService::NoTrack(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));

namespace {

bool IsMedia(const QMimeType& type)
{
    return type.name().startsWith(QStringLiteral("audio/")) || type.name().startsWith(QStringLiteral("video/"));
}

// The MIME types of the extensions the player opens, in the list's order.
// Where an extension names media and something else (.ts: MPEG transport
// stream or translation file), only the media types count.
QStringList MimeTypesOf(const std::vector<std::string>& extensions)
{
    const QMimeDatabase database;
    QStringList types;
    for (const std::string& extension : extensions) {
        QList<QMimeType> matches = database.mimeTypesForFileName(QStringLiteral("x.") + QString::fromStdString(extension));
        if (std::any_of(matches.begin(), matches.end(), IsMedia))
            matches.removeIf([](const QMimeType& type) { return !IsMedia(type); });
        for (const QMimeType& type : matches)
            if (!types.contains(type.name()))
                types << type.name();
    }
    return types;
}

// a + b without overflowing.
qlonglong SaturatingAdd(qlonglong a, qlonglong b)
{
    qlonglong sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        return b > 0 ? std::numeric_limits<qlonglong>::max() : std::numeric_limits<qlonglong>::min();
    return sum;
}

} // namespace

TMprisRootAdaptor::TMprisRootAdaptor(TMprisService* service) : QDBusAbstractAdaptor(service), FService(service) {}

TMprisPlayerAdaptor::TMprisPlayerAdaptor(TMprisService* service) : QDBusAbstractAdaptor(service), FService(service) {}

TMprisService::TMprisService(Tapp* app, QDBusConnection bus, QObject* parent)
    : QObject(parent), FApp(app), FBus(std::move(bus))
{
    FMimeTypes = MimeTypesOf(mci::defaultSession().extensions().extensions());
    new TMprisRootAdaptor(this);
    FPlayer = new TMprisPlayerAdaptor(this);

    connect(app, &Tapp::Polled, this, &TMprisService::PublishChanges);
    connect(app, &Tapp::VolumeChanged, this, &TMprisService::PublishChanges);
    connect(app, &Tapp::MediaOpened, this, &TMprisService::MediaOpened);
    connect(app, &Tapp::MediaClosed, this, &TMprisService::MediaClosed);
    connect(app, &Tapp::Sought, this, &TMprisService::Sought);

    FPublished = Current();
    Register();
}

TMprisService::~TMprisService()
{
    if (!FBusName.isEmpty())
        FBus.unregisterService(FBusName);
    if (FObjectRegistered)
        FBus.unregisterObject(ObjectPath);
}

void TMprisService::Register()
{
    FObjectRegistered = FBus.registerObject(ObjectPath, this, QDBusConnection::ExportAdaptors);
    if (!FObjectRegistered)
        return;
    // The object is in place before the name appears, so a client that
    // sees the name finds the interfaces.
    for (const QString& name :
         {ServiceName, ServiceName + QStringLiteral(".instance") + QString::number(QCoreApplication::applicationPid())}) {
        if (FBus.registerService(name)) {
            FBusName = name;
            return;
        }
    }
}

// --- Events of the player ---------------------------------------------------

void TMprisService::MediaOpened(const QString& path)
{
    FPath = QFileInfo(path).absoluteFilePath();
    ++FTrackNumber;
    UpdateNeighbours();
    PublishChanges();
}

void TMprisService::MediaClosed()
{
    FPath.clear();
    UpdateNeighbours();
    PublishChanges();
}

void TMprisService::Sought()
{
    PublishChanges();
    emit FPlayer->Seeked(Position());
}

TMprisService::TPublished TMprisService::Current() const
{
    TPublished now;
    now.status = PlaybackStatus();
    now.track = Track();
    now.length = FPath.isEmpty() ? 0 : UnitsToMicroseconds(FApp->MediaLength);
    now.volume = Volume();
    now.canPlay = CanPlay();
    now.canPause = CanPause();
    now.canSeek = CanSeek();
    now.canGoNext = FCanGoNext;
    now.canGoPrevious = FCanGoPrevious;
    return now;
}

void TMprisService::PublishChanges()
{
    // Files appear and vanish beside the open one; the folder is looked at
    // again when the play state changes rather than on every tick.
    if (PlaybackStatus() != FPublished.status)
        UpdateNeighbours();
    const TPublished now = Current();
    if (now == FPublished)
        return;
    QVariantMap changed;
    if (now.status != FPublished.status)
        changed.insert(QStringLiteral("PlaybackStatus"), now.status);
    if (now.track != FPublished.track || now.length != FPublished.length)
        changed.insert(QStringLiteral("Metadata"), Metadata());
    if (now.volume != FPublished.volume)
        changed.insert(QStringLiteral("Volume"), now.volume);
    if (now.canPlay != FPublished.canPlay)
        changed.insert(QStringLiteral("CanPlay"), now.canPlay);
    if (now.canPause != FPublished.canPause)
        changed.insert(QStringLiteral("CanPause"), now.canPause);
    if (now.canSeek != FPublished.canSeek)
        changed.insert(QStringLiteral("CanSeek"), now.canSeek);
    if (now.canGoNext != FPublished.canGoNext)
        changed.insert(QStringLiteral("CanGoNext"), now.canGoNext);
    if (now.canGoPrevious != FPublished.canGoPrevious)
        changed.insert(QStringLiteral("CanGoPrevious"), now.canGoPrevious);
    FPublished = now;
    if (FBusName.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(ObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << PlayerInterface << changed << QStringList();
    FBus.send(signal);
}

// --- State -------------------------------------------------------------------

QString TMprisService::PlaybackStatus() const
{
    if (FPath.isEmpty())
        return QStringLiteral("Stopped");
    switch (FApp->ShownState) {
    case Tapp::TShownState::Playing:
        return QStringLiteral("Playing");
    case Tapp::TShownState::Paused:
        return QStringLiteral("Paused");
    case Tapp::TShownState::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

qlonglong TMprisService::UnitsToMicroseconds(qlonglong units) const
{
    const double rate = FApp->ExactFrameRate > 0 ? FApp->ExactFrameRate : std::max(FApp->FrameRate, 1);
    return std::llround(double(units) * 1e6 / rate);
}

int TMprisService::MicrosecondsToUnits(qlonglong microseconds) const
{
    const double rate = FApp->ExactFrameRate > 0 ? FApp->ExactFrameRate : std::max(FApp->FrameRate, 1);
    // The unit shown at that moment. The microsecond added takes back the
    // rounding of a position this service gave out in whole microseconds.
    const double units = std::floor((double(microseconds) + 1.0) * rate / 1e6);
    return int(std::clamp(units, 0.0, double(std::numeric_limits<int>::max())));
}

qlonglong TMprisService::Position() const
{
    if (FPath.isEmpty())
        return 0;
    int units = FApp->MediaPosition;
    try {
        units = mediacommands::statusNumber(mediacommands::kPosition);
    } catch (const EConvertError&) {
        // The poll reports a reply that is not a number; here the last
        // position read will do.
    }
    return UnitsToMicroseconds(units);
}

double TMprisService::Volume() const
{
    return FApp->VolumeSlider->Value() / double(FApp->VolumeSlider->MaxValue());
}

void TMprisService::SetVolume(double volume)
{
    if (!std::isfinite(volume))
        return;
    volume = std::clamp(volume, 0.0, 1.0);
    FApp->VolumeSlider->SetValue(int(std::lround(volume * FApp->VolumeSlider->MaxValue())));
}

QDBusObjectPath TMprisService::Track() const
{
    if (FPath.isEmpty())
        return NoTrack;
    return QDBusObjectPath(QStringLiteral("/org/norrava/track/") + QString::number(FTrackNumber));
}

QVariantMap TMprisService::Metadata() const
{
    QVariantMap map;
    map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(Track()));
    if (FPath.isEmpty())
        return map;
    map.insert(QStringLiteral("mpris:length"), UnitsToMicroseconds(FApp->MediaLength));
    map.insert(QStringLiteral("xesam:title"), QFileInfo(FPath).fileName());
    map.insert(QStringLiteral("xesam:url"), QString::fromUtf8(QUrl::fromLocalFile(FPath).toEncoded()));
    return map;
}

bool TMprisService::CanPlay() const
{
    return !FPath.isEmpty() && FApp->ButtonPlay->isEnabled();
}

bool TMprisService::CanPause() const
{
    return !FPath.isEmpty() && FApp->ButtonPause->isEnabled();
}

bool TMprisService::CanSeek() const
{
    return !FPath.isEmpty() && FApp->VideoPositionSlider->isEnabled();
}

QString TMprisService::Mask() const
{
    return FApp->Mask().isEmpty() ? Tapp::BuildMask(mci::defaultSession().extensions().extensions()) : FApp->Mask();
}

QString TMprisService::Neighbour(int step) const
{
    if (FPath.isEmpty())
        return QString();
    return step > 0 ? mediafolder::nextFile(FPath, Mask()) : mediafolder::previousFile(FPath, Mask());
}

void TMprisService::UpdateNeighbours()
{
    FCanGoNext = !Neighbour(+1).isEmpty();
    FCanGoPrevious = !Neighbour(-1).isEmpty();
}

// --- Commands ----------------------------------------------------------------

void TMprisService::Raise()
{
    if (FApp->isMinimized())
        FApp->showNormal(); // brings the companion windows back with it
    FApp->show();
    FApp->raise();
    FApp->activateWindow();
    for (QWidget* w : std::initializer_list<QWidget*>{FApp->FileNavigator, FApp->StatusPanel, FApp->FileBlind,
                                                      FApp->StatusHandle})
        if (w && w->isVisible())
            w->raise();
}

void TMprisService::Quit()
{
    // After the reply has gone out.
    QTimer::singleShot(0, FApp, [app = FApp] { app->ButtonCloseClick(); });
}

void TMprisService::Press(TGTabButton* button)
{
    if (!FPath.isEmpty())
        FApp->PressButton(button);
}

void TMprisService::Play()
{
    Press(FApp->ButtonPlay);
}

void TMprisService::Pause()
{
    Press(FApp->ButtonPause);
}

void TMprisService::PlayPause()
{
    if (PlaybackStatus() == QStringLiteral("Playing"))
        Pause();
    else
        Play();
}

void TMprisService::Stop()
{
    Press(FApp->ButtonStop);
}

void TMprisService::Next()
{
    Open(Neighbour(+1));
}

void TMprisService::Previous()
{
    Open(Neighbour(-1));
}

void TMprisService::Open(const QString& neighbour)
{
    if (neighbour.isEmpty()) {
        // Gone since it was last looked for: say so.
        UpdateNeighbours();
        PublishChanges();
        return;
    }
    // Loaded once the reply has gone out: a file that cannot be opened shows
    // its message box without holding the caller.
    QTimer::singleShot(0, FApp, [app = FApp, neighbour] { app->LoadTheFile(neighbour); });
}

void TMprisService::OpenUri(const QString& uri)
{
    const QUrl url(uri);
    if (!url.isLocalFile())
        return;
    const QString path = url.toLocalFile();
    QTimer::singleShot(0, FApp, [app = FApp, path] { app->LoadTheFile(path); });
}

void TMprisService::Seek(qlonglong offset)
{
    if (!CanSeek())
        return;
    const qlonglong target = std::max<qlonglong>(0, SaturatingAdd(Position(), offset));
    const qlonglong length = UnitsToMicroseconds(FApp->MediaLength);
    if (target > length && CanGoNext()) {
        Next();
        return;
    }
    SeekTo(std::min(target, length));
}

void TMprisService::SetPosition(const QDBusObjectPath& track, qlonglong position)
{
    if (!CanSeek() || track != Track() || position < 0 || position > UnitsToMicroseconds(FApp->MediaLength))
        return;
    SeekTo(position);
}

void TMprisService::SeekTo(qlonglong microseconds)
{
    const bool wasPlaying = FApp->ShownState == Tapp::TShownState::Playing;
    FApp->SlidePositionTo(MicrosecondsToUnits(microseconds));
    // A remote's skip leaves a playing medium playing; at the very end the
    // play button would start again from the beginning instead.
    if (wasPlaying && FApp->MediaPosition < FApp->MediaLength - 1)
        Press(FApp->ButtonPlay);
}
