#pragma once
// The dialogs behind the archiver's event defaults. The application shows them as message boxes;
// tests answer them. Without a prompts object every question gets its cautious answer.
#include <initializer_list>
#include <string>

#include "platform/text/Translatable.h"

namespace yeroup::zip {

// The archiver's own words around its messages, marked for the program's translators; "%1", "%2" stand for what
// is inserted.
namespace texts {
YEROUP_TR_CONTEXT(archiver);
// An error's message and its native error number (five digits).
inline constexpr const char* kNativeError = YEROUP_TR("%1 - Native error: %2");
// The failure of one entry: the error's text.
inline constexpr const char* kFileFailure = YEROUP_TR("%1. File processing error, possibly disk is full");
// The file there and the entry.
inline constexpr const char* kOverwrite = YEROUP_TR("Overwrite file \"%1\" with \"%2\"");
// The entry.
inline constexpr const char* kPasswordFor = YEROUP_TR("Password for \"%1\"");
inline constexpr const char* kEnterPassword = YEROUP_TR("Enter password: ");
}  // namespace texts

// pattern with "%1", "%2", ... replaced by parts.
std::string FillIn(const char* pattern, std::initializer_list<std::string> parts);

enum TZFAction { fxaRetry, fxaIgnore, fxaAbort };

enum class TZFOverwriteAnswer { Yes, No, NoToAll, YesToAll };

class IZFPrompts {
public:
    virtual ~IZFPrompts() = default;
    // Buttons Yes, No, No to All and Yes to All.
    virtual TZFOverwriteAnswer ConfirmOverwrite(const std::string& text) = 0;
    // Buttons Abort, Retry and Ignore; closing the dialog answers Abort.
    virtual TZFAction ProcessFileFailure(const std::string& text) = 0;
    // An input query; false when it was cancelled.
    virtual bool QueryPassword(const std::string& caption, const std::string& prompt, std::string& value) = 0;
};

}  // namespace yeroup::zip
