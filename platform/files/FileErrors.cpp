#include "platform/files/FileErrors.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace yeroup::platform {

namespace texts {
YEROUP_TR_CONTEXT(files);

// The reasons a save of the program meets; the rest keep the C library's text untranslated.
static const char* UsualReason(int error) {
    switch (error) {
    case ENOSPC: return YEROUP_TR("No space left on device");
    case EDQUOT: return YEROUP_TR("Disk quota exceeded");
    case EACCES: return YEROUP_TR("Permission denied");
    case EPERM: return YEROUP_TR("Operation not permitted");
    case EROFS: return YEROUP_TR("Read-only file system");
    case ENOENT: return YEROUP_TR("No such file or directory");
    case ENOTDIR: return YEROUP_TR("Not a directory");
    case EISDIR: return YEROUP_TR("Is a directory");
    case EIO: return YEROUP_TR("Input/output error");
    case ENAMETOOLONG: return YEROUP_TR("File name too long");
    default: return nullptr;
    }
}

}  // namespace texts

namespace {

std::string Absolute(const std::string& path) {
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
    return absolute.empty() ? path : absolute.string();
}

}  // namespace

std::string FileErrorText(int error) {
    const char* usual = texts::UsualReason(error);
    return usual ? usual : std::strerror(error);
}

EFileCreateError::EFileCreateError(const std::string& path, int error)
    : std::runtime_error("Cannot create file \"" + Absolute(path) + "\". " + FileErrorText(error)),
      path_(Absolute(path)),
      error_(error) {}

}  // namespace yeroup::platform
