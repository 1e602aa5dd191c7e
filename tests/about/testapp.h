#pragma once

#include <QApplication>

#include <gtest/gtest.h>

#include "testapplication.h"

// One QApplication for the whole test executable.
inline ::testing::Environment* const testApplication =
    ::testing::AddGlobalTestEnvironment(new testsupport::ApplicationEnvironment<QApplication>);
