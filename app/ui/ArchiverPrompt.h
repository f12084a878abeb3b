#pragma once
// The archiver's questions as the program's message boxes: the per-entry failure box (Abort / Retry / Ignore),
// the overwrite question and the password query.
#include "app/ui/MessageBoxes.h"
#include "zip/ArchiverPrompts.h"

namespace yeroup::app {

// A text of the archiver (its messages, questions and their captions, English, names in the ANSI code page) in
// the user's language, as UTF-8: the archiver's pattern translated, with the names it holds inserted. A text the
// archiver does not make stays as it is.
std::string ArchiverText(const std::string& text);

class TArchiverPrompts final : public zip::IZFPrompts {
public:
    explicit TArchiverPrompts(IMessageBoxes& boxes) : boxes_(boxes) {}

    zip::TZFOverwriteAnswer ConfirmOverwrite(const std::string& text) override;
    zip::TZFAction ProcessFileFailure(const std::string& text) override;
    bool QueryPassword(const std::string& caption, const std::string& prompt, std::string& value) override;

private:
    IMessageBoxes& boxes_;
};

}  // namespace yeroup::app
