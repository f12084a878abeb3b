#pragma once
// The message for a program of the player software that could not be started.
#include <string>

#include "platform/desktop/ProcessStart.h"

namespace yeroup::app {

// Without Wine the user learns that first; otherwise the text, then the path or folder concerned on a line of
// its own.
std::string StartFailureText(platform::TStartResult result, const char* text, const std::string& where);

}  // namespace yeroup::app
