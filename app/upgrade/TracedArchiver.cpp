#include "app/upgrade/TracedArchiver.h"

#include "platform/text/CodePages.h"

namespace yeroup::app::upgrade {

namespace {

const char* AnswerText(zip::TZFAction action) {
    switch (action) {
    case zip::fxaRetry: return "tried again";
    case zip::fxaIgnore: return "left out";
    case zip::fxaAbort: return "extraction stopped";
    }
    return "";
}

}  // namespace

void TTracedZipArchiver::DoFileProgress(const std::string& fileName, double progress,
                                        zip::TZFProcessOperation operation, zip::TZFProgressPhase phase, bool& cancel) {
    if (operation == zip::poExtract && phase == zip::ppStart) leftOut_.clear();
    TZFZipArchiver::DoFileProgress(fileName, progress, operation, phase, cancel);
    if (operation == zip::poExtract && phase == zip::ppEnd)
        trace_.Line("entry", platform::AnsiToUtf8(fileName) +
                                 (leftOut_.empty() ? std::string(" extracted") : " skipped: " + leftOut_));
}

void TTracedZipArchiver::DoConfirmOverwrite(const std::string& source, std::string& dest, bool& confirm) {
    TZFZipArchiver::DoConfirmOverwrite(source, dest, confirm);
    if (!confirm) leftOut_ = "the existing file is kept";
}

void TTracedZipArchiver::DoPassword(const std::string& fileName, std::string& newPassword, bool& skipFile) {
    TZFZipArchiver::DoPassword(fileName, newPassword, skipFile);
    if (skipFile) leftOut_ = "no password";
}

void TTracedZipArchiver::DoProcessFileFailure(const std::string& fileName, zip::TZFProcessOperation operation,
                                              const zip::EZFException& error, zip::TZFAction& action) {
    TZFZipArchiver::DoProcessFileFailure(fileName, operation, error, action);
    if (operation == zip::poExtract)
        trace_.Line("entry", platform::AnsiToUtf8(fileName) + " failed: " + platform::AnsiToUtf8(error.what()) + " (" +
                                 AnswerText(action) + ")");
}

}  // namespace yeroup::app::upgrade
