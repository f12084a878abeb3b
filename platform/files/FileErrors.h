#pragma once
// Why a file could not be written, as a user is told: the system's text for the error code, and the error that
// names the file. The texts of the usual reasons are marked so that the program can show them in the user's
// language; untranslated they read as the C library's.
#include <stdexcept>
#include <string>

#include "platform/text/Translatable.h"

namespace yeroup::platform {

namespace texts {
YEROUP_TR_CONTEXT(files);
// The file (its full path) and the reason.
inline constexpr const char* kCannotCreateFile = YEROUP_TR("Cannot create file \"%1\". %2");
}  // namespace texts

// The C library's text for error (its English wording, whatever the process's locale).
std::string FileErrorText(int error);

class EFileCreateError : public std::runtime_error {
public:
    // "Cannot create file "<path>". <FileErrorText(error)>", path made absolute.
    EFileCreateError(const std::string& path, int error);

    const std::string& Path() const { return path_; }
    int Error() const { return error_; }

private:
    std::string path_;
    int error_;
};

}  // namespace yeroup::platform
