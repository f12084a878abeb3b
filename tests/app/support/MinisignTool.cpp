#include "tests/app/support/MinisignTool.h"

#include <cstdlib>
#include <stdexcept>

namespace yeroup::test {

namespace fs = std::filesystem;

namespace {

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool Succeeds(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

void Run(const std::string& command) {
    if (!Succeeds(command)) throw std::runtime_error("failed: " + command);
}

}  // namespace

MinisignTool::MinisignTool() {
    Run("minisign -G -W -p " + Quoted(PublicKeyFile().string()) + " -s " + Quoted(folder_ / "key.sec"));
}

std::string MinisignTool::PublicKeyText() const { return ReadFile(PublicKeyFile()); }

std::string MinisignTool::Sign(const std::string& name, const std::string& content, const std::string& trustedComment,
                               bool legacy, const std::string& untrustedComment) const {
    const fs::path file = folder_.Path() / "files" / name;
    WriteFile(file, content);
    const fs::path signature = folder_.Path() / "files" / (name + ".minisig");
    std::string command = "minisign -S -s " + Quoted(folder_ / "key.sec") + " -m " + Quoted(file.string()) + " -x " +
                          Quoted(signature.string());
    if (!trustedComment.empty()) command += " -t " + Quoted(trustedComment);
    if (!untrustedComment.empty()) command += " -c " + Quoted(untrustedComment);
    if (legacy) command += " -l";
    Run(command);
    return ReadFile(signature);
}

bool MinisignTool::Verifies(const std::string& content, const std::string& signature) const {
    const fs::path file = folder_.Path() / "verify" / "file";
    WriteFile(file, content);
    WriteFile(folder_.Path() / "verify" / "file.minisig", signature);
    return Succeeds("minisign -V -q -p " + Quoted(PublicKeyFile().string()) + " -m " + Quoted(file.string()));
}

}  // namespace yeroup::test
