// The user-interface tests run inside one application object, the
// program's own, so errors escaping handlers reach ReportUncaughtError.
// Windows are drawn off screen unless a platform is asked for.
#include <gtest/gtest.h>

#include <QtGlobal>

#include "Application.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    TApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
