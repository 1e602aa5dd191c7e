#pragma once

#include <QGuiApplication>

#include <gtest/gtest.h>

namespace testsupport {

// The Qt application of a test program: made before the first test and
// deleted after the last, since destroying it during static destruction
// crashes Qt.
template <typename Application>
class ApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "norrava-test";
        static char* argv[] = {name, nullptr};
        app_ = new Application(argc, argv);
    }
    void TearDown() override
    {
        delete app_;
        app_ = nullptr;
    }

private:
    Application* app_ = nullptr;
};

} // namespace testsupport

// Gives the test program an application of the given class.
#define NORRAVA_TEST_APPLICATION(Application)                                                                   \
    [[maybe_unused]] static const ::testing::Environment* const norravaTestApplication =                       \
        ::testing::AddGlobalTestEnvironment(new ::testsupport::ApplicationEnvironment<Application>)
