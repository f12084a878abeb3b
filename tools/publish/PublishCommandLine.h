#pragma once
// yeroup-publish's command line, read as GNU tools read theirs: options before or after the operands (getopt_long
// puts them in order), "--" ending the options, --help and --version answering on the standard output.
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace yeroup::tools {

// Where sign and rotate take the secret key's password from, before the standard input; rotate takes the new
// key's from the second.
inline constexpr const char* kPasswordVariable = "YEROUP_PUBLISH_PASSWORD";
inline constexpr const char* kNewPasswordVariable = "YEROUP_PUBLISH_NEW_PASSWORD";
// Days a catalogue's signature holds unless --expires-days says otherwise.
inline constexpr int kDefaultExpiryDays = 30;

// What was wrong with the command line, in one line.
class EUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TPublishCommandLine {
    bool help = false;
    bool version = false;
    std::string command;  // build, sign, check or rotate
    std::vector<std::string> operands;
    std::vector<std::string> mirrors;        // --mirror HOST (build), in the order given
    std::optional<std::string> key;          // --key PUB (check)
    std::optional<std::string> expiresDays;  // --expires-days N (sign)
    bool retireOld = false;                  // --retire-old (rotate)
};

// args: the whole argv. Raises EUsageError for an unknown option, a missing value, an unknown command, an option
// the command does not take, the wrong number of operands, or a mirror that cannot be one (named, with why).
TPublishCommandLine ParsePublishCommandLine(std::vector<std::string> args);

// The full help text (for --help) and the hint that follows a usage error.
std::string PublishHelpText();
inline constexpr const char* kTryHelp = "Try 'yeroup-publish --help' for more information.";

}  // namespace yeroup::tools
