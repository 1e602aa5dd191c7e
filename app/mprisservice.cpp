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

const QString MprisService::kServiceName = QStringLiteral("org.mpris.MediaPlayer2.norrava");
const QString MprisService::kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString MprisService::kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QDBusObjectPath MprisService::kNoTrack(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));

namespace {

bool isMedia(const QMimeType& type)
{
    return type.name().startsWith(QStringLiteral("audio/")) || type.name().startsWith(QStringLiteral("video/"));
}

// The MIME types of the extensions the player opens, in the list's order.
// Where an extension names media and something else (.ts: MPEG transport
// stream or translation file), only the media types count.
QStringList mimeTypesOf(const std::vector<std::string>& extensions)
{
    const QMimeDatabase database;
    QStringList types;
    for (const std::string& extension : extensions) {
        QList<QMimeType> matches = database.mimeTypesForFileName(QStringLiteral("x.") + QString::fromStdString(extension));
        if (std::any_of(matches.begin(), matches.end(), isMedia))
            matches.removeIf([](const QMimeType& type) { return !isMedia(type); });
        for (const QMimeType& type : matches)
            if (!types.contains(type.name()))
                types << type.name();
    }
    return types;
}

// a + b without overflowing.
qlonglong saturatingAdd(qlonglong a, qlonglong b)
{
    qlonglong sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        return b > 0 ? std::numeric_limits<qlonglong>::max() : std::numeric_limits<qlonglong>::min();
    return sum;
}

} // namespace

MprisRootAdaptor::MprisRootAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), service_(service) {}

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), service_(service) {}

MprisService::MprisService(Tapp* app, QDBusConnection bus, QObject* parent)
    : QObject(parent), app_(app), bus_(std::move(bus))
{
    mimeTypes_ = mimeTypesOf(mci::defaultSession().extensions().extensions());
    new MprisRootAdaptor(this);
    player_ = new MprisPlayerAdaptor(this);

    connect(app, &Tapp::Polled, this, &MprisService::publishChanges);
    connect(app, &Tapp::VolumeChanged, this, &MprisService::publishChanges);
    connect(app, &Tapp::MediaOpened, this, &MprisService::mediaOpened);
    connect(app, &Tapp::MediaClosed, this, &MprisService::mediaClosed);
    connect(app, &Tapp::Sought, this, &MprisService::sought);

    published_ = current();
    registerOnBus();
}

MprisService::~MprisService()
{
    if (!busName_.isEmpty())
        bus_.unregisterService(busName_);
    if (objectRegistered_)
        bus_.unregisterObject(kObjectPath);
}

void MprisService::registerOnBus()
{
    objectRegistered_ = bus_.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors);
    if (!objectRegistered_)
        return;
    // The object is in place before the name appears, so a client that
    // sees the name finds the interfaces.
    for (const QString& name :
         {kServiceName, kServiceName + QStringLiteral(".instance") + QString::number(QCoreApplication::applicationPid())}) {
        if (bus_.registerService(name)) {
            busName_ = name;
            return;
        }
    }
}

// --- Events of the player ---------------------------------------------------

void MprisService::mediaOpened(const QString& path)
{
    path_ = QFileInfo(path).absoluteFilePath();
    ++trackNumber_;
    updateNeighbours();
    publishChanges();
}

void MprisService::mediaClosed()
{
    path_.clear();
    updateNeighbours();
    publishChanges();
}

void MprisService::sought()
{
    publishChanges();
    emit player_->Seeked(Position());
}

MprisService::Published MprisService::current() const
{
    Published now;
    now.status = PlaybackStatus();
    now.track = trackId();
    now.length = path_.isEmpty() ? 0 : unitsToMicroseconds(app_->MediaLength);
    now.volume = Volume();
    now.canPlay = CanPlay();
    now.canPause = CanPause();
    now.canSeek = CanSeek();
    now.canGoNext = canGoNext_;
    now.canGoPrevious = canGoPrevious_;
    return now;
}

void MprisService::publishChanges()
{
    // Files appear and vanish beside the open one; the folder is looked at
    // again when the play state changes rather than on every tick.
    if (PlaybackStatus() != published_.status)
        updateNeighbours();
    const Published now = current();
    if (now == published_)
        return;
    QVariantMap changed;
    if (now.status != published_.status)
        changed.insert(QStringLiteral("PlaybackStatus"), now.status);
    if (now.track != published_.track || now.length != published_.length)
        changed.insert(QStringLiteral("Metadata"), Metadata());
    if (now.volume != published_.volume)
        changed.insert(QStringLiteral("Volume"), now.volume);
    if (now.canPlay != published_.canPlay)
        changed.insert(QStringLiteral("CanPlay"), now.canPlay);
    if (now.canPause != published_.canPause)
        changed.insert(QStringLiteral("CanPause"), now.canPause);
    if (now.canSeek != published_.canSeek)
        changed.insert(QStringLiteral("CanSeek"), now.canSeek);
    if (now.canGoNext != published_.canGoNext)
        changed.insert(QStringLiteral("CanGoNext"), now.canGoNext);
    if (now.canGoPrevious != published_.canGoPrevious)
        changed.insert(QStringLiteral("CanGoPrevious"), now.canGoPrevious);
    published_ = now;
    if (busName_.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << kPlayerInterface << changed << QStringList();
    bus_.send(signal);
}

// --- State -------------------------------------------------------------------

QString MprisService::PlaybackStatus() const
{
    if (path_.isEmpty())
        return QStringLiteral("Stopped");
    switch (app_->ShownState) {
    case Tapp::TShownState::Playing:
        return QStringLiteral("Playing");
    case Tapp::TShownState::Paused:
        return QStringLiteral("Paused");
    case Tapp::TShownState::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

qlonglong MprisService::unitsToMicroseconds(qlonglong units) const
{
    const double rate = app_->ExactFrameRate > 0 ? app_->ExactFrameRate : std::max(app_->FrameRate, 1);
    return std::llround(double(units) * 1e6 / rate);
}

int MprisService::microsecondsToUnits(qlonglong microseconds) const
{
    const double rate = app_->ExactFrameRate > 0 ? app_->ExactFrameRate : std::max(app_->FrameRate, 1);
    // The unit shown at that moment. The microsecond added takes back the
    // rounding of a position this service gave out in whole microseconds.
    const double units = std::floor((double(microseconds) + 1.0) * rate / 1e6);
    return int(std::clamp(units, 0.0, double(std::numeric_limits<int>::max())));
}

qlonglong MprisService::Position() const
{
    if (path_.isEmpty())
        return 0;
    int units = app_->MediaPosition;
    try {
        units = mediacommands::statusNumber(mediacommands::kPosition);
    } catch (const EConvertError&) {
        // The poll reports a reply that is not a number; here the last
        // position read will do.
    }
    return unitsToMicroseconds(units);
}

double MprisService::Volume() const
{
    return app_->VolumeSlider->Value() / double(app_->VolumeSlider->MaxValue());
}

void MprisService::SetVolume(double volume)
{
    if (!std::isfinite(volume))
        return;
    volume = std::clamp(volume, 0.0, 1.0);
    app_->VolumeSlider->SetValue(int(std::lround(volume * app_->VolumeSlider->MaxValue())));
}

QDBusObjectPath MprisService::trackId() const
{
    if (path_.isEmpty())
        return kNoTrack;
    return QDBusObjectPath(QStringLiteral("/org/norrava/track/") + QString::number(trackNumber_));
}

QVariantMap MprisService::Metadata() const
{
    QVariantMap map;
    map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(trackId()));
    if (path_.isEmpty())
        return map;
    map.insert(QStringLiteral("mpris:length"), unitsToMicroseconds(app_->MediaLength));
    map.insert(QStringLiteral("xesam:title"), QFileInfo(path_).fileName());
    map.insert(QStringLiteral("xesam:url"), QString::fromUtf8(QUrl::fromLocalFile(path_).toEncoded()));
    return map;
}

bool MprisService::CanPlay() const
{
    return !path_.isEmpty() && app_->ButtonPlay->isEnabled();
}

bool MprisService::CanPause() const
{
    return !path_.isEmpty() && app_->ButtonPause->isEnabled();
}

bool MprisService::CanSeek() const
{
    return !path_.isEmpty() && app_->VideoPositionSlider->isEnabled();
}

QString MprisService::mask() const
{
    return app_->Mask().isEmpty() ? Tapp::BuildMask(mci::defaultSession().extensions().extensions()) : app_->Mask();
}

QString MprisService::neighbour(int step) const
{
    if (path_.isEmpty())
        return QString();
    return step > 0 ? mediafolder::nextFile(path_, mask()) : mediafolder::previousFile(path_, mask());
}

void MprisService::updateNeighbours()
{
    canGoNext_ = !neighbour(+1).isEmpty();
    canGoPrevious_ = !neighbour(-1).isEmpty();
}

// --- Commands ----------------------------------------------------------------

void MprisService::Raise()
{
    if (app_->isMinimized())
        app_->showNormal(); // brings the companion windows back with it
    app_->show();
    app_->raise();
    app_->activateWindow();
    for (QWidget* w : std::initializer_list<QWidget*>{app_->FileNavigator, app_->StatusPanel, app_->FileBlind,
                                                      app_->StatusHandle})
        if (w && w->isVisible())
            w->raise();
}

void MprisService::Quit()
{
    // After the reply has gone out.
    QTimer::singleShot(0, app_, [app = app_] { app->ButtonCloseClick(); });
}

void MprisService::press(TGTabButton* button)
{
    if (!path_.isEmpty())
        app_->PressButton(button);
}

void MprisService::Play()
{
    press(app_->ButtonPlay);
}

void MprisService::Pause()
{
    press(app_->ButtonPause);
}

void MprisService::PlayPause()
{
    if (PlaybackStatus() == QStringLiteral("Playing"))
        Pause();
    else
        Play();
}

void MprisService::Stop()
{
    press(app_->ButtonStop);
}

void MprisService::Next()
{
    openNeighbour(neighbour(+1));
}

void MprisService::Previous()
{
    openNeighbour(neighbour(-1));
}

void MprisService::openNeighbour(const QString& file)
{
    if (file.isEmpty()) {
        // Gone since it was last looked for: say so.
        updateNeighbours();
        publishChanges();
        return;
    }
    // Loaded once the reply has gone out: a file that cannot be opened shows
    // its message box without holding the caller.
    QTimer::singleShot(0, app_, [app = app_, file] { app->LoadTheFile(file); });
}

void MprisService::OpenUri(const QString& uri)
{
    const QUrl url(uri);
    if (!url.isLocalFile())
        return;
    const QString path = url.toLocalFile();
    QTimer::singleShot(0, app_, [app = app_, path] { app->LoadTheFile(path); });
}

void MprisService::Seek(qlonglong offset)
{
    if (!CanSeek())
        return;
    const qlonglong target = std::max<qlonglong>(0, saturatingAdd(Position(), offset));
    const qlonglong length = unitsToMicroseconds(app_->MediaLength);
    if (target > length && CanGoNext()) {
        Next();
        return;
    }
    seekTo(std::min(target, length));
}

void MprisService::SetPosition(const QDBusObjectPath& track, qlonglong position)
{
    if (!CanSeek() || track != trackId() || position < 0 || position > unitsToMicroseconds(app_->MediaLength))
        return;
    seekTo(position);
}

void MprisService::seekTo(qlonglong microseconds)
{
    const bool wasPlaying = app_->ShownState == Tapp::TShownState::Playing;
    app_->SlidePositionTo(microsecondsToUnits(microseconds));
    // A remote's skip leaves a playing medium playing; at the very end the
    // play button would start again from the beginning instead.
    if (wasPlaying && app_->MediaPosition < app_->MediaLength - 1)
        press(app_->ButtonPlay);
}
