#pragma once

#include <QApplication>

#include <gtest/gtest.h>

// One QApplication for the whole test executable, made before the first test.
class TestApplication : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (!QApplication::instance())
            app_ = new QApplication(argc_, argv_);
    }

private:
    int argc_ = 1;
    char name_[16] = "norrava-test";
    char* argv_[2] = {name_, nullptr};
    QApplication* app_ = nullptr;
};

inline ::testing::Environment* const testApplication = ::testing::AddGlobalTestEnvironment(new TestApplication);
