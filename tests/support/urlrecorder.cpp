#include "urlrecorder.h"

#include <QDesktopServices>

namespace testsupport {

UrlRecorder::UrlRecorder(const QStringList& schemes)
    : schemes_(schemes)
{
    for (const QString& scheme : schemes_)
        QDesktopServices::setUrlHandler(scheme, this, "open");
}

UrlRecorder::~UrlRecorder()
{
    for (const QString& scheme : schemes_)
        QDesktopServices::unsetUrlHandler(scheme);
}

void UrlRecorder::open(const QUrl& url)
{
    urls << url;
}

} // namespace testsupport
