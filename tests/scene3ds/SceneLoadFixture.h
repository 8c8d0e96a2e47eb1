// Loads synthetic .3ds images with the log redirected to a scratch file, standard output and
// error captured, and the fatal-exit hook recording instead of ending the test program.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scene3ds/Load3dsScene.h"
#include "scene3ds/SceneLog.h"
#include "support/Chunk3dsBuilder.h"

class SceneLoadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        savedLogPath_ = scene3ds::SceneLogPath;
        savedHook_ = scene3ds::SceneExitHook;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        logPath_ = ::testing::TempDir() + "scene3ds_" + info->test_suite_name() + "_" +
                   info->name() + ".log";
        scene3ds::SceneLogPath = logPath_;
        scene3ds::SceneExitHook = &RecordExit;
        exitStatus() = -1;
    }

    void TearDown() override {
        scene3ds::SceneLogPath = savedLogPath_;
        scene3ds::SceneExitHook = savedHook_;
        std::remove(logPath_.c_str());
    }

    // Loads `file` into `target` (the fixture's scene unless given).
    void Load(const std::vector<uint8_t>& file, Scene* target = nullptr,
              const std::string& entry = "Objs\\test.3ds") {
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        Load3dsSceneFromMemory(entry, file.data(), file.size(), target ? *target : scene);
        out = ::testing::internal::GetCapturedStdout();
        err = ::testing::internal::GetCapturedStderr();
    }

    std::string Log() const {
        std::ifstream in(logPath_, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    static int& exitStatus() {
        static int status = -1;
        return status;
    }

    Scene scene;
    std::string out;  // what the load wrote to standard output
    std::string err;  // and to standard error

  private:
    static void RecordExit(int status) { exitStatus() = status; }

    std::string logPath_;
    std::string savedLogPath_;
    scene3ds::SceneExitFunction savedHook_ = nullptr;
};

// The n-th record of an intrusive list, or null.
template <typename Record>
Record* Nth(Record* head, int n) {
    while (head && n-- > 0) head = head->next;
    return head;
}

template <typename Record>
int ListLength(const Record* head) {
    int n = 0;
    for (; head; head = head->next) ++n;
    return n;
}
