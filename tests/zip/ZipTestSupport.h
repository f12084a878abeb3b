#pragma once
// Shared helpers of the archive tests: test data, external tools and a small builder for hand-made
// (also deliberately damaged) archives. Scratch folders and whole-file helpers come from tests/support.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/ScratchFolder.h"
#include "zip/ArchiverPrompts.h"

namespace yeroup::test {
// Deterministic bytes: compressible text or noise that does not compress.
std::string TextBytes(std::size_t size, unsigned seed);
std::string NoiseBytes(std::size_t size, unsigned seed);
// Runs a shell command in the folder; returns its exit status.
int RunTool(const std::string& command, const std::filesystem::path& folder);
// Every file below the folder, relative names sorted.
std::vector<std::string> ListFiles(const std::filesystem::path& folder);

struct HandEntry {
    std::string name;
    std::string data;
    bool deflate = false;
    std::uint32_t externalAttributes = 0x20;
    std::uint16_t dosTime = 0x6000;  // 12:00:00
    std::uint16_t dosDate = 0x5A21;  // 2025-01-01
    std::uint16_t method = 0xFFFF;   // 0xFFFF: 0 or 8 from deflate
    std::uint16_t versionNeeded = 20;
    std::uint16_t flags = 0;
    bool flipCrc = false;
    std::int64_t declaredSize = -1;  // the uncompressed size the headers give; -1: the data's
};

// Builds a well-formed archive from the entries (local headers, central directory, end record).
std::string BuildArchive(const std::vector<HandEntry>& entries, const std::string& comment = std::string());
std::string RawDeflate(const std::string& data);

// Prompts that answer from fixed replies and record what they were asked.
class ScriptedPrompts : public zip::IZFPrompts {
public:
    zip::TZFOverwriteAnswer overwriteAnswer = zip::TZFOverwriteAnswer::No;
    std::vector<zip::TZFAction> failureAnswers;  // used in turn; the last one repeats
    std::vector<std::string> passwords;          // used in turn; when used up the query is cancelled
    std::vector<std::string> asked;

    zip::TZFOverwriteAnswer ConfirmOverwrite(const std::string& text) override;
    zip::TZFAction ProcessFileFailure(const std::string& text) override;
    bool QueryPassword(const std::string& caption, const std::string& prompt, std::string& value) override;

private:
    std::size_t failures_ = 0;
    std::size_t passwordsUsed_ = 0;
};

}  // namespace yeroup::test
