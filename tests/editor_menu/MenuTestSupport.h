// Shared by the patch menu tests: a fresh temporary folder per test, and file panels that
// answer from a script instead of asking anybody.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FilePanels.h"

namespace halvorax::test {

namespace fs = std::filesystem;

class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/halvorax-menu-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    std::string path(const std::string& name) const { return (root / name).string(); }
    void touch(const std::string& name, const std::string& text = "") const {
        std::ofstream(root / name, std::ios::binary) << text;
    }

    fs::path root;
};

// Panels that record what they were asked and give the queued answers in turn; with no
// answer left they report a cancelled panel.
class ScriptedFilePanels : public FilePanels {
public:
    struct Answer {
        bool confirmed;
        std::string path;
    };

    ScriptedFilePanels() { setFilePanels(this); }
    ~ScriptedFilePanels() override { setFilePanels(nullptr); }

    void confirm(const std::string& path) { answers.push_back({true, path}); }
    void cancel() { answers.push_back({false, ""}); }

    bool run(const FilePanelRequest& request, std::string& chosen) override {
        requests.push_back(request);
        if (duringRun) duringRun();
        if (answers.empty()) return false;
        const Answer answer = answers.front();
        answers.pop_front();
        if (answer.confirmed) chosen = answer.path;
        return answer.confirmed;
    }

    std::deque<Answer> answers;
    std::vector<FilePanelRequest> requests;
    std::function<void()> duringRun;
};

}  // namespace halvorax::test
