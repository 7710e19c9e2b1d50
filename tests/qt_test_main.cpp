// Entry point of the Qt test suites: one QApplication for the whole run, offscreen unless the
// environment chose a platform (ctest sets offscreen; test discovery runs without it).
#include <QApplication>
#include <gtest/gtest.h>

// The offscreen platform plugin of Qt 5.15 never frees its screen and cursor. Their allocations
// are told apart from ours by the plugin's frames further down the stack, which the fast unwinder
// does not reach through Qt's libraries (built without frame pointers): unwind fully, so that the
// narrow suppressions in tests/lsan.supp can match. Harmless in builds without AddressSanitizer.
extern "C" const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0";
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
