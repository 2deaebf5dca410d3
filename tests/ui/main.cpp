// The user-interface tests run inside one application object, the
// program's own, so errors escaping handlers reach ReportUncaughtError.
#include <gtest/gtest.h>

#include "Application.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    TApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
