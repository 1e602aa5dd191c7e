#pragma once

#include <QDBusConnection>

#include <optional>

// The desktop's session bus, when there is one to reach: its address is
// set, or the standard socket in XDG_RUNTIME_DIR exists. Otherwise nothing
// is tried (no bus is started on the user's behalf) and nothing is printed,
// so the player runs as it always did.
std::optional<QDBusConnection> DesktopSessionBus();
