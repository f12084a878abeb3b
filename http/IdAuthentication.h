#pragma once
// Pluggable HTTP authentication: an authenticator holds the credentials and the server's
// challenges, says step by step what the request should do next and gives the header value.
#include <cstdint>
#include <memory>
#include <string>

#include "http/IdHeaderList.h"

namespace yeroup::http {

enum TIdAuthStep {
    asAskCaller,    // the program must supply credentials
    asSendRequest,  // send the request again with the current credentials
    asFail,         // give up
};

class TIdAuthentication;

// What a class reference is in the component model: the name and how to make one.
struct TIdAuthenticationClassInfo {
    const char* ClassName;
    std::unique_ptr<TIdAuthentication> (*Create)();
};
using TIdAuthenticationClass = const TIdAuthenticationClassInfo*;

class TIdAuthentication {
public:
    TIdAuthentication();
    virtual ~TIdAuthentication() = default;
    TIdAuthentication(const TIdAuthentication&) = delete;
    TIdAuthentication& operator=(const TIdAuthentication&) = delete;

    TIdAuthStep NextStep() { return DecideNext(); }
    virtual std::int32_t StepCount() const { return 0; }
    virtual void StorePassword(const std::string& password);
    virtual void StoreUsername(const std::string& username);
    virtual void Restart() {}
    // The Authorization (or Proxy-Authorization) header value.
    virtual std::string CredentialsText() = 0;
    virtual bool KeepsConnection() const = 0;

    std::string Username() const { return Values.HeaderValue("username"); }
    std::string Password() const { return Values.HeaderValue("password"); }

    const TIdHeaderList& Challenges() const { return challenges_; }
    void SetChallenges(const TIdHeaderList& challenges) { challenges_.Assign(challenges); }

    // Credentials, challenge parameters and whatever the request stores.
    TIdHeaderList Values;
    std::int32_t Step = 0;

protected:
    virtual TIdAuthStep DecideNext() = 0;

private:
    TIdHeaderList challenges_;
};

}  // namespace yeroup::http
