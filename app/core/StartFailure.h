#pragma once
// The message for a program of the player software that could not be started, and the trace line of a start.
#include <string>

#include "app/core/Message.h"
#include "app/core/Trace.h"
#include "platform/process/ProcessStart.h"

namespace yeroup::app {

// Without Wine the user learns that first; otherwise text (kSetupNotStarted or kUpdaterNotStarted) with the path
// or folder concerned.
TMessage StartFailureText(platform::TStartResult result, const char* text, const std::string& where);

// "start <program> args=<arguments> folder=<folder or -> result=<started, not found, no wine or failed>".
void TraceStart(const TTrace& trace, const std::string& program, const std::string& arguments,
                const std::string& folder, platform::TStartResult result);

}  // namespace yeroup::app
