#pragma once
// A message of the program with what goes into it: a marked text whose "%1", "%2", ... stand for the inserted
// texts. The windows translate the text and then insert; without a translation it reads as Format gives it.
#include <string>
#include <vector>

namespace yeroup::app {

struct TMessage {
    const char* text = nullptr;  // a YEROUP_TR text; null when there is no message
    std::vector<std::string> args;

    bool Empty() const { return text == nullptr; }
};

// text with "%1" ... "%9" replaced by args (UTF-8) in one pass, so that an inserted "%2" stays as it is; a marker
// without its argument stays too.
std::string Format(const char* text, const std::vector<std::string>& args);
inline std::string Format(const TMessage& message) {
    return message.Empty() ? std::string() : Format(message.text, message.args);
}

}  // namespace yeroup::app
