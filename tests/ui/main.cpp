// The user-interface tests run inside one application object, the
// program's own, so errors escaping handlers reach ReportUncaughtError.
// Windows are drawn off screen unless a platform is asked for.
#include <gtest/gtest.h>

#include <QtGlobal>

#include "Application.h"
#include "ui_fixtures.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Tests named *InChild need an environment of their own; another test
    // starts them in a child process (PassesInChild), so they are left out
    // of ordinary runs and listings.
    if (qEnvironmentVariableIsEmpty(kChildTestVariable)) {
        std::string filter = GTEST_FLAG_GET(filter);
        filter += filter.find('-') == std::string::npos ? "-*InChild" : ":*InChild";
        GTEST_FLAG_SET(filter, filter);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    TApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
