#pragma once
// The archiver's questions as the program's message boxes: the per-entry failure box (Abort / Retry / Ignore),
// the overwrite question and the password query.
#include "app/ui/MessageBoxes.h"
#include "zip/ArchiverPrompts.h"

namespace yeroup::app {

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
