#include <gtest/gtest.h>

#include <QApplication>
#include <cstring>
#include <memory>

// The tests drive real widgets, so they run inside one QApplication on the
// offscreen platform. Listing the tests needs no application.
int main(int argc, char** argv) {
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0) listing = true;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

    ::testing::InitGoogleTest(&argc, argv);
    std::unique_ptr<QApplication> application;
    if (!listing) application = std::make_unique<QApplication>(argc, argv);
    return RUN_ALL_TESTS();
}
