#pragma once
// A host over the fake window, with its own settings file (XDG_CONFIG_HOME
// points into a fresh folder), a message-box presenter that answers OK and
// records, a controllable clock and scenes that log their calls.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/Scene.h"
#include "host/WindowCtrl.h"
#include "platform/MessageBox.h"
#include "tests/host/FakeHostWindow.h"
#include "tests/support/TempFolder.h"

namespace hosttest {

// The calendar second the host reads.
inline int64_t g_now = 1000;
inline int64_t TestClock() { return g_now; }

// Logs every call as "<name>.<call>" into a shared log; counts Enter/Leave.
class LogScene : public IScene {
public:
    LogScene(std::string name, std::vector<std::string>* log) : m_name(std::move(name)), m_log(log) {}
    void Enter() override {
        ++enters;
        Note("Enter");
    }
    void Update() override {
        ++updates;
        Note("Update");
        if (onUpdate) onUpdate();
    }
    void Leave() override {
        ++leaves;
        Note("Leave");
    }
    void PreUpdate() override {
        ++preUpdates;
        Note("PreUpdate");
    }
    void Draw() override {
        ++draws;
        Note("Draw");
    }
    int32_t enters = 0;
    int32_t updates = 0;
    int32_t leaves = 0;
    int32_t preUpdates = 0;
    int32_t draws = 0;
    std::function<void()> onUpdate;

private:
    void Note(const char* call) {
        if (m_log != nullptr) m_log->push_back(m_name + "." + call);
    }
    std::string m_name;
    std::vector<std::string>* m_log;
};

class RecordingPresenter : public platform::IMessageBoxPresenter {
public:
    int32_t Show(void*, const char16_t* text, const char16_t*, uint32_t type) override {
        texts.emplace_back(text);
        types.push_back(type);
        return platform::IDOK;
    }
    std::vector<std::u16string> texts;
    std::vector<uint32_t> types;
};

class HostTest : public testsupport::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        const char* old = std::getenv("XDG_CONFIG_HOME");
        m_hadConfig = old != nullptr;
        if (m_hadConfig) m_oldConfig = old;
        setenv("XDG_CONFIG_HOME", m_folder.c_str(), 1);
        std::filesystem::create_directories(m_folder + "/outlinecrafter");
        m_previousPresenter = platform::SetMessageBoxPresenter(&presenter);
        g_now = 1000;
        host = std::make_unique<CQRKWindowCtrl>(window);
        host->SetSecondsClock(TestClock);
    }
    void TearDown() override {
        host.reset();
        platform::SetMessageBoxPresenter(m_previousPresenter);
        if (m_hadConfig)
            setenv("XDG_CONFIG_HOME", m_oldConfig.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        TempFolderTest::TearDown();
    }
    std::string SettingsPath() const { return m_folder + "/outlinecrafter/outlinecrafter.ini"; }
    void WriteSettings(const std::string& text) { testsupport::WriteText(SettingsPath(), text); }
    // Writes the settings, makes `scene` current and starts the host.
    void Start(const std::string& settings, IScene* scene = nullptr) {
        WriteSettings(settings);
        host->SetStartScene(scene);
        ASSERT_TRUE(host->Initialize());
    }
    // One frame message with the accumulator holding `frames` whole frames.
    void RunFrames(int32_t frames) {
        host->GetPacing().accumulator = frames * QRKFramePacing::kFrameUnits;
        window.Send(platform::WM_HOST_FRAME);
    }

    FakeHostWindow window;
    RecordingPresenter presenter;
    std::unique_ptr<CQRKWindowCtrl> host;
    std::vector<std::string> log;

private:
    bool m_hadConfig = false;
    std::string m_oldConfig;
    platform::IMessageBoxPresenter* m_previousPresenter = nullptr;
};

}  // namespace hosttest
