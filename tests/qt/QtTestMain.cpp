#include <gtest/gtest.h>

#include <QApplication>
#include <cstring>
#include <memory>

#if defined(__SANITIZE_THREAD__)
// Qt is not built with ThreadSanitizer: it cannot see Qt's own locking (futex
// based), so Qt's threads (font loading, thread pool) look racy. Accesses made
// inside the Qt libraries are left out; our own code stays checked, and our
// cross-thread traffic uses our own std::mutex, which it does see.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Widgets.so.6\n"
           "called_from_lib:libQt6Network.so.6\n"
           "called_from_lib:libQt6Test.so.6\n";
}
#endif

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
