#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class TFileBlind;
class TFileNavigator;
class IdleInhibitor;
class MprisService;
class TStatusHandle;
class TStatusPanel;
class Tapp;

// The program's five windows, created in their fixed order and linked to
// each other; destroyed in the reverse order.
struct TAppWindows {
    std::unique_ptr<Tapp> app;
    std::unique_ptr<TFileBlind> FileBlind;
    std::unique_ptr<TStatusHandle> StatusHandle;
    std::unique_ptr<TFileNavigator> FileNavigator;
    std::unique_ptr<TStatusPanel> StatusPanel;
    // On the desktop's session bus, when there is one.
    std::unique_ptr<MprisService> Mpris;
    std::unique_ptr<::IdleInhibitor> IdleInhibitor;

    TAppWindows();
    ~TAppWindows();
    TAppWindows(TAppWindows&&) = delete;
};

std::unique_ptr<TAppWindows> CreateWindows();

// Run on a Wayland session through XWayland, since the windows place each
// other at absolute positions; the user's own choice of platform wins.
void PreferXcbOnWayland();

// What the command line asks for.
struct TCommandLine {
    bool help = false;
    QString error;
    QString file; // empty: the bundled demo clip
};
TCommandLine ParseCommandLine(const QStringList& arguments);
extern const char* const kUsageText;
