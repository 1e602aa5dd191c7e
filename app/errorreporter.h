#pragma once

#include <QString>

#include <memory>

class QMessageBox;
class QWidget;

// The message boxes in which the player says what failed. Each is titled
// with the program's title and closed with OK; the kinds differ in their
// icon and in the window they belong to.
class ErrorReporter {
public:
    enum class Kind {
        // An error the program carries on from (an exception that reached
        // the event loop, a picture that could not be saved): a critical
        // icon, over the whole application.
        Error,
        // A medium the player will not open: no icon, over the whole
        // application, as the player has always shown it.
        Refusal,
        // Something missing that the user asked for (the help file): an
        // information icon, over the window it was asked from.
        Notice,
    };

    // Shows the box and waits until it is closed.
    static void show(Kind kind, const QString& text, QWidget* parent = nullptr);

    // The box show() runs, not yet shown.
    static std::unique_ptr<QMessageBox> makeBox(Kind kind, const QString& text, QWidget* parent = nullptr);
};
