#pragma once
// A text that had to be a number was not one ("'%s' is not a valid integer value").
#include <stdexcept>
#include <string>

namespace yeroup::http {

class EConvertError : public std::runtime_error {
public:
    explicit EConvertError(const std::string& message) : std::runtime_error(message) {}
    // The message for a text that does not read as a whole number.
    static EConvertError NotAnInteger(const std::string& text) {
        return EConvertError("'" + text + "' is not a valid integer value");
    }
};

}  // namespace yeroup::http
