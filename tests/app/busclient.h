#pragma once

// Talking to the player over a private session bus from the test program
// itself. The player answers on the test's own thread, so every call is made
// asynchronously and waited for with an event loop; a blocking call would
// wait for an answer that can only come once it returns.

#include "privatebus.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QSignalSpy>
#include <QVariant>

namespace busclient {

// Generous: it only matters when something is broken.
constexpr int kBound = 20000;

// The test program's bus, started after its application object and before
// the first window, so that the player finds it.
class BusEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(bus_.start()) << bus_.error().toStdString(); }
    void TearDown() override { bus_.stop(); }

private:
    PrivateBus bus_;
};

// A connection of its own, as a desktop's media controls would have.
inline QDBusConnection openConnection(const QString& name)
{
    return QDBusConnection::connectToBus(QString::fromUtf8(qgetenv("DBUS_SESSION_BUS_ADDRESS")), name);
}

// Sends a call and waits for its answer. Calls to this thread's objects
// that arrived before the answer have run by then: the bus hands them over
// as posted events, which an answer that came at once would overtake.
inline QDBusMessage callAndWait(QDBusConnection bus, const QDBusMessage& call)
{
    QDBusPendingCallWatcher watcher(bus.asyncCall(call, kBound));
    if (!watcher.isFinished()) {
        QSignalSpy finished(&watcher, &QDBusPendingCallWatcher::finished);
        finished.wait(kBound + 1000);
    }
    QCoreApplication::sendPostedEvents();
    return watcher.reply();
}

// A value as the bus hands it over: nested maps arrive still marshalled.
inline QVariant plain(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QDBusVariant>())
        return plain(value.value<QDBusVariant>().variant());
    if (value.metaType() == QMetaType::fromType<QDBusArgument>()) {
        const QDBusArgument argument = value.value<QDBusArgument>();
        if (argument.currentSignature() == QStringLiteral("a{sv}"))
            return qdbus_cast<QVariantMap>(argument);
        if (argument.currentSignature() == QStringLiteral("as"))
            return qdbus_cast<QStringList>(argument);
    }
    return value;
}

inline QVariantMap plainMap(const QVariantMap& map)
{
    QVariantMap out;
    for (auto it = map.begin(); it != map.end(); ++it)
        out.insert(it.key(), plain(it.value()));
    return out;
}

// Properties.Get; an invalid value when the call fails.
inline QVariant getProperty(QDBusConnection bus, const QString& service, const QString& path, const QString& interface,
                    const QString& property)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, path, "org.freedesktop.DBus.Properties", "Get");
    call << interface << property;
    const QDBusMessage reply = callAndWait(bus, call);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        ADD_FAILURE() << "Get " << property.toStdString() << ": " << reply.errorMessage().toStdString();
        return {};
    }
    return plain(reply.arguments().first());
}

} // namespace busclient
