#include "http/IdBasicAuthentication.h"

#include "http/IdCoderMIME.h"
#include "http/IdTextUtils.h"

namespace yeroup::http {

TIdAuthenticationClass TIdBasicAuthentication::Class() {
    static const TIdAuthenticationClassInfo info{"TIdBasicAuthentication", []() -> std::unique_ptr<TIdAuthentication> {
                                                     return std::make_unique<TIdBasicAuthentication>();
                                                 }};
    return &info;
}

TIdAuthStep TIdBasicAuthentication::DecideNext() {
    std::string challenge;
    for (const auto& line : Challenges())
        if (line.compare(0, 5, "Basic") == 0) {
            challenge = line;
            break;
        }
    TakeUntil(challenge, " ");
    while (!challenge.empty()) {
        std::string parameter = TakeUntil(challenge, ", ");
        const std::size_t equals = parameter.find('=');
        if (equals != std::string::npos) parameter.replace(equals, 1, ": ");
        Values.Add(parameter);
    }
    const std::string realm = Values.HeaderValue("realm");
    RealmName = realm.size() >= 2 ? realm.substr(1, realm.size() - 2) : std::string();

    // Only step 0 can succeed; any later step gives up.
    if (Step == 0) return Username().empty() ? asAskCaller : asSendRequest;
    return asFail;
}

std::string TIdBasicAuthentication::CredentialsText() {
    return "Basic " + TIdEncoderMIME::EncodeText(Username() + ":" + Password());
}

}  // namespace yeroup::http
