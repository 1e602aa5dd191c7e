#pragma once

// Helpers shared by the peak meter's tests.
#include "vumeter.h"

#include <QByteArray>
#include <QStringList>

// Sets an environment variable for as long as it lives.
class EnvOverride {
public:
    EnvOverride(const char* name, const QByteArray& value)
        : name_(name),
          saved_(qgetenv(name)),
          wasSet_(qEnvironmentVariableIsSet(name))
    {
        qputenv(name_, value);
    }
    ~EnvOverride()
    {
        if (wasSet_)
            qputenv(name_, saved_);
        else
            qunsetenv(name_);
    }
    EnvOverride(const EnvOverride&) = delete;
    EnvOverride& operator=(const EnvOverride&) = delete;

private:
    const char* name_;
    QByteArray saved_;
    bool wasSet_;
};

// A meter whose messages go into a list instead of onto the screen.
class QuietMeter : public TVumeter {
public:
    QuietMeter()
    {
        SetMessageHook([this](const QString& message) { messages << message; });
    }

    QStringList messages;
};
