#pragma once
// Test doubles for the desktop services: message boxes that answer from a script and record what was asked,
// and a process starter that records what it was asked to start.
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/ui/MessageBoxes.h"
#include "platform/process/ProcessStart.h"

namespace yeroup::test {

struct ShownBox {
    bool owned;
    std::string text;
    std::string caption;
    unsigned flags;
};

class FakeMessageBoxes final : public app::IMessageBoxes {
public:
    int MessageBox(QWidget* owner, const std::string& text, const std::string& caption, unsigned flags) override;

    // Answers for the next boxes, in order; IDOK once they run out.
    std::deque<int> answers;
    // Runs while a box is "shown", before it is answered.
    std::function<void(const ShownBox&)> onShow;
    std::vector<ShownBox> shown;

    std::vector<std::string> Texts() const;
};

struct StartedProcess {
    std::string kind;  // "WinExec" or "ShellExecute"
    std::string file;
    std::string parameters;
    std::string directory;
    int show;
};

class FakeProcessStarter final : public platform::IProcessStarter {
public:
    platform::TStartResult WinExec(const std::string& commandLine, int showFlag) override;
    platform::TStartResult ShellExecute(const std::string& operation, const std::string& file,
                                        const std::string& parameters, const std::string& directory,
                                        int showCommand) override;
    bool StillRunning(const std::string& file) override { return running.count(file) != 0; }
    std::optional<platform::TProcessIdentity> StartedIdentity(const std::string& file) override;
    // Processes recorded by a run are real ones: the system tells whether they still run.
    bool StillRunning(const platform::TProcessIdentity& process) override { return platform::StillRuns(process); }

    std::vector<StartedProcess> started;
    // The files whose started program a test says still runs.
    std::set<std::string> running;
    // What each start reports.
    platform::TStartResult result = platform::TStartResult::Started;
    // When set (a program and its arguments), ShellExecute really starts it in place of the file: an updater that
    // runs on after the program ends.
    std::vector<std::string> standIn;
    std::map<std::string, platform::TProcessHandle> spawned;  // by the file ShellExecute was given
};

}  // namespace yeroup::test
