#pragma once
// The process-wide registry of authentication schemes ("Basic" is always there), names compared
// without regard to case.
#include <string>

#include "http/IdAuthentication.h"
#include "net/IdException.h"

namespace yeroup::http {

class EIdAlreadyRegisteredAuthenticationMethod : public net::EIdException {
public:
    using net::EIdException::EIdException;
};

void RegisterAuthScheme(const std::string& name, TIdAuthenticationClass authClass);
// The class registered under the name, or nullptr.
TIdAuthenticationClass FindAuthScheme(const std::string& name);

}  // namespace yeroup::http
