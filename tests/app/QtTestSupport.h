#pragma once
// One toolkit application for the whole test program, on the offscreen
// platform, with a settings folder of its own (the user's settings file is
// never read).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdlib>
#include <string>

namespace app_test {

inline QApplication*& ApplicationSlot() {
    static QApplication* app = nullptr;
    return app;
}

// Destroys the application after the last test, so that the toolkit frees
// what it holds (its font database among it) before the leak check.
struct ApplicationEnvironment final : ::testing::Environment {
    void TearDown() override {
        delete ApplicationSlot();
        ApplicationSlot() = nullptr;
    }
};

inline QApplication& Application() {
    static QApplication* app = ApplicationSlot() = [] {
        ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static std::string config = [] {
            char pattern[] = "/tmp/oc-app-test-XXXXXX";
            const char* dir = mkdtemp(pattern);
            return std::string(dir != nullptr ? dir : "/tmp");
        }();
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        static int argc = 1;
        static char name[] = "app_tests";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *app;
}

// Runs the event loop until `done` holds or `ms` pass; returns `done`.
template <typename Done>
bool RunUntil(Done&& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

}  // namespace app_test
