#pragma once
// Base of every exception raised by the internet components.
#include <stdexcept>
#include <string>

namespace yeroup::net {

class EIdException : public std::runtime_error {
public:
    explicit EIdException(const std::string& message) : std::runtime_error(message) {}
};

// Raised for expected ends of an operation that need no message box.
class EIdSilentException : public EIdException {
public:
    using EIdException::EIdException;
};

}  // namespace yeroup::net
