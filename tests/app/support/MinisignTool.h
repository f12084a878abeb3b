#pragma once
// The real minisign program with a key pair of its own, made afresh in a scratch folder: signs bytes under a
// file name as an operator would sign the update host's files.
#include <filesystem>
#include <string>

#include "tests/support/ScratchFolder.h"

namespace yeroup::test {

class MinisignTool {
public:
    MinisignTool();
    MinisignTool(const MinisignTool&) = delete;
    MinisignTool& operator=(const MinisignTool&) = delete;

    std::filesystem::path PublicKeyFile() const { return folder_.Path() / "key.pub"; }
    std::string PublicKeyText() const;
    // The .minisig text for content signed as file name; an empty trustedComment (or untrustedComment) leaves
    // minisign's own ("timestamp:<now>\tfile:<name>\thashed"); legacy signs the file itself instead of its hash.
    std::string Sign(const std::string& name, const std::string& content, const std::string& trustedComment = "",
                     bool legacy = false, const std::string& untrustedComment = "") const;
    // True when minisign itself accepts signature over content with this tool's key.
    bool Verifies(const std::string& content, const std::string& signature) const;

private:
    ScratchFolder folder_;
};

}  // namespace yeroup::test
