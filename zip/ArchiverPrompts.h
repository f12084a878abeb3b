#pragma once
// The dialogs behind the archiver's event defaults. The application shows them as message boxes;
// tests answer them. Without a prompts object every question gets its cautious answer.
#include <string>

namespace yeroup::zip {

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
