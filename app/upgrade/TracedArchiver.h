#pragma once
// The program's ZIP archiver: it tells the trace each entry's outcome of an extraction (extracted, left out and
// why, or failed with the archiver's error and the answer given to it).
#include <string>

#include "app/core/Trace.h"
#include "zip/Archiver.h"

namespace yeroup::app::upgrade {

class TTracedZipArchiver final : public zip::TZFZipArchiver {
public:
    explicit TTracedZipArchiver(TTrace trace) : trace_(std::move(trace)) {}

protected:
    void DoFileProgress(const std::string& fileName, double progress, zip::TZFProcessOperation operation,
                        zip::TZFProgressPhase phase, bool& cancel) override;
    void DoConfirmOverwrite(const std::string& source, std::string& dest, bool& confirm) override;
    void DoPassword(const std::string& fileName, std::string& newPassword, bool& skipFile) override;
    void DoProcessFileFailure(const std::string& fileName, zip::TZFProcessOperation operation,
                              const zip::EZFException& error, zip::TZFAction& action) override;

private:
    TTrace trace_;
    // Why the entry under way is left out; empty while it is being extracted.
    std::string leftOut_;
};

}  // namespace yeroup::app::upgrade
