#include "norravaapplication.h"

#include "errorreporter.h"

#include <exception>
#include <malloc.h>

namespace {

std::function<void(const QString&)>& reporter()
{
    static std::function<void(const QString&)> current;
    return current;
}

} // namespace

NorravaApplication::NorravaApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
    setApplicationName("Norrava");
    setApplicationDisplayName(Title);
    setApplicationVersion(NORRAVA_VERSION);
    setQuitOnLastWindowClosed(false); // the main window's close ends the program
}

void NorravaApplication::LimitMemoryPools()
{
    mallopt(M_ARENA_MAX, 2);
}

bool NorravaApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowException(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowException(QStringLiteral("An unexpected error occurred."));
    }
    return true;
}

void NorravaApplication::ShowException(const QString& message)
{
    if (reporter()) {
        reporter()(message);
        return;
    }
    ErrorReporter::show(ErrorReporter::Kind::Error, message);
}

void NorravaApplication::SetExceptionReporter(std::function<void(const QString&)> newReporter)
{
    reporter() = std::move(newReporter);
}
