#include "app/core/UpdaterRecord.h"

#include <filesystem>
#include <fstream>

#include "app/core/Limits.h"
#include "platform/files/AtomicWrite.h"

namespace yeroup::app {

namespace {

std::filesystem::path RecordFile(const std::string& packageStore) {
    return std::filesystem::path(packageStore) / "updater-process";
}

}  // namespace

void RecordUpdater(const std::string& packageStore, const platform::TProcessIdentity& updater) {
    const std::string text = platform::IdentityText(updater) + "\n";
    std::filesystem::create_directories(packageStore);
    platform::ReplaceFileAtomically(RecordFile(packageStore), text.data(), text.size());
}

std::optional<platform::TProcessIdentity> RunningUpdater(const std::string& packageStore,
                                                         platform::IProcessStarter& processes) {
    const std::filesystem::path file = RecordFile(packageStore);
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text(limits::kMaxUpdaterRecordBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (!text.empty() && text.back() == '\n') text.pop_back();
    const std::optional<platform::TProcessIdentity> updater = platform::ParseIdentity(text);
    if (updater && processes.StillRunning(*updater)) return updater;
    std::error_code error;
    std::filesystem::remove(file, error);
    return std::nullopt;
}

}  // namespace yeroup::app
