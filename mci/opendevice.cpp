#include "avlibrary.h"
#include "device.h"
#include "mpvdevice.h"
#include "sequencerdevice.h"

#include <mpv/client.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QThreadPool>

namespace mci {

std::unique_ptr<Device> openDevice(std::string_view type, const std::string& path, Reply* failure)
{
    if (type == "digitalvideo" || type == "waveaudio")
        return MpvDevice::startOpening(type, path, failure);
    if (type == "sequencer")
        return openSequencerDevice(path, failure);
    if (failure)
        *failure = Reply::error(ErrInvalidDeviceName, "There is no device of type '" + std::string(type) + "'.");
    return nullptr;
}

void preloadEngine(QObject* context, std::function<void()> done)
{
    // Posted to the application, which outlives the pool's threads, and
    // context is looked at only there, on its own thread.
    QThreadPool::globalInstance()->start([context = QPointer<QObject>(context), done = std::move(done)] {
        mpv_client_api_version(); // loads libmpv (see mpvlibrary.cpp)
        av::library();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [context, done] {
                if (context)
                    done();
            },
            Qt::QueuedConnection);
    });
}

} // namespace mci
