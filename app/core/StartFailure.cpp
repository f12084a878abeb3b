#include "app/core/StartFailure.h"

#include "app/core/Texts.h"

namespace yeroup::app {

std::string StartFailureText(platform::TStartResult result, const char* text, const std::string& where) {
    if (result == platform::TStartResult::NoWine) return texts::kNoWine;
    return std::string(text) + "\r" + where;
}

}  // namespace yeroup::app
