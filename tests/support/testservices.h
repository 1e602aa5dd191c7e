#pragma once

#include <QtGlobal>

#include <gtest/gtest.h>

namespace testservices {

// True when the test script has started every service the tests use (the
// private sound server, the X display) and says so with NORRAVA_SERVICES=1.
inline bool promised()
{
    return qEnvironmentVariable("NORRAVA_SERVICES") == QLatin1String("1");
}

} // namespace testservices

// Ends a test that lacks a service: a skip when run by hand without it, a
// failure when the test script promised the service, so that a service
// that broke cannot hide a regression behind a skip.
//   if (!serverReachable()) NORRAVA_SKIP_OR_FAIL() << "no sound server";
#define NORRAVA_SKIP_OR_FAIL()                                                                                  \
    return GTEST_MESSAGE_("", ::testservices::promised() ? ::testing::TestPartResult::kFatalFailure           \
                                                         : ::testing::TestPartResult::kSkip)
