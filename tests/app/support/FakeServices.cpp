#include "tests/app/support/FakeServices.h"

namespace yeroup::test {

int FakeMessageBoxes::MessageBox(QWidget* owner, const std::string& text, const std::string& caption, unsigned flags) {
    shown.push_back({owner != nullptr, text, caption, flags});
    if (onShow) onShow(shown.back());
    if (answers.empty()) return app::IDOK;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

std::vector<std::string> FakeMessageBoxes::Texts() const {
    std::vector<std::string> result;
    for (const ShownBox& box : shown) result.push_back(box.text);
    return result;
}

platform::TStartResult FakeProcessStarter::WinExec(const std::string& commandLine, int showFlag) {
    started.push_back({"WinExec", commandLine, "", "", showFlag});
    return result;
}

platform::TStartResult FakeProcessStarter::ShellExecute(const std::string& operation, const std::string& file,
                                                        const std::string& parameters, const std::string& directory,
                                                        int showCommand) {
    started.push_back({"ShellExecute:" + operation, file, parameters, directory, showCommand});
    if (!standIn.empty() && result == platform::TStartResult::Started) {
        platform::TProcessHandle handle;
        const std::vector<std::string> args(standIn.begin() + 1, standIn.end());
        if (!platform::SpawnDetached(standIn.front(), args, directory, {}, &handle))
            return platform::TStartResult::Failed;
        spawned[file] = std::move(handle);
    }
    return result;
}

std::optional<platform::TProcessIdentity> FakeProcessStarter::StartedIdentity(const std::string& file) {
    const auto found = spawned.find(file);
    if (found == spawned.end() || !found->second.Running()) return std::nullopt;
    return found->second.Identity();
}

}  // namespace yeroup::test
