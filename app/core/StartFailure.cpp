#include "app/core/StartFailure.h"

#include "app/core/Texts.h"

namespace yeroup::app {

TMessage StartFailureText(platform::TStartResult result, const char* text, const std::string& where) {
    if (result == platform::TStartResult::NoWine) return {texts::kNoWine, {}};
    return {text, {where}};
}

void TraceStart(const TTrace& trace, const std::string& program, const std::string& arguments,
                const std::string& folder, platform::TStartResult result) {
    if (!trace.On()) return;
    const char* outcome = "";
    switch (result) {
    case platform::TStartResult::Started: outcome = "started"; break;
    case platform::TStartResult::NotFound: outcome = "not found"; break;
    case platform::TStartResult::NoWine: outcome = "no wine"; break;
    case platform::TStartResult::Failed: outcome = "failed"; break;
    }
    trace.Line("start", program + " args=\"" + arguments + "\" folder=" + (folder.empty() ? "-" : folder) +
                            " result=" + outcome);
}

}  // namespace yeroup::app
