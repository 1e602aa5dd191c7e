#pragma once

#include <QApplication>

#include <functional>

// The application object: its title is the caption of the program's
// message boxes, and an exception escaping any handler is shown in one
// instead of unwinding through the event loop.
class NorravaApplication : public QApplication {
public:
    static constexpr const char* Title = "Norrava " NORRAVA_VERSION;

    NorravaApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows an error the way the program reports every failure: a message
    // box titled with the application title. Tests replace it.
    static void ShowException(const QString& message);
    // Call first thing in main, before any thread starts: the decoders'
    // threads would each grow a malloc pool of their own, and memory then
    // climbs with every file opened; two pools keep it flat.
    static void LimitMemoryPools();
    static void SetExceptionReporter(std::function<void(const QString&)> reporter);
};
