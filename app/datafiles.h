#pragma once

#include <QString>

// Finds one of the program's data files (help, demo clip): beside the
// executable, in the install's data folder, or in the source tree when
// running from a build. Empty when none is found.
QString FindDataFile(const QString& name);
