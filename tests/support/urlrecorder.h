#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

namespace testsupport {

// Takes the addresses the program hands to the desktop for the given
// schemes while it lives, so that no browser or mail program starts.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    explicit UrlRecorder(const QStringList& schemes);
    ~UrlRecorder() override;

    QList<QUrl> urls;

public slots:
    void open(const QUrl& url);

private:
    QStringList schemes_;
};

} // namespace testsupport
