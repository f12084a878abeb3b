#pragma once
// Basic authentication: "Basic " + Base64 of user name, colon and password.
#include <string>

#include "http/IdAuthentication.h"

namespace yeroup::http {

class TIdBasicAuthentication : public TIdAuthentication {
public:
    static TIdAuthenticationClass Class();

    std::int32_t StepCount() const override { return 1; }
    void Restart() override { Step = 0; }
    std::string CredentialsText() override;
    bool KeepsConnection() const override { return false; }

    std::string RealmName;

protected:
    TIdAuthStep DecideNext() override;
};

}  // namespace yeroup::http
