#include <gtest/gtest.h>

#include "http/IdAuthSchemes.h"
#include "http/IdBasicAuthentication.h"
#include "http/IdCoderMIME.h"
#include "tests/support/ExpectThrow.h"

using namespace yeroup::http;

namespace {

TIdHeaderList Challenge(const std::string& line) {
    TIdHeaderList list;
    list.Add(line);
    return list;
}

}  // namespace

TEST(IdBasicAuthentication, CredentialsAreBasicAndBase64OnOneLine) {
    TIdBasicAuthentication auth;
    auth.StoreUsername("Aladdin");
    auth.StorePassword("open sesame");
    EXPECT_EQ(auth.CredentialsText(), "Basic QWxhZGRpbjpvcGVuIHNlc2FtZQ==");

    const std::string user(80, 'u');
    const std::string password = "a long pass phrase with spaces, commas and more words than fit a line";
    auth.StoreUsername(user);
    auth.StorePassword(password);
    EXPECT_EQ(auth.Username(), user);
    EXPECT_EQ(auth.Password(), password);
    EXPECT_EQ(auth.CredentialsText(), "Basic " + TIdEncoderMIME::EncodeText(user + ":" + password));

    TIdBasicAuthentication empty;
    EXPECT_EQ(empty.CredentialsText(), "Basic Og==");
}

TEST(IdBasicAuthentication, ChallengeGivesRealmAndParameters) {
    TIdBasicAuthentication auth;
    TIdHeaderList challenges;
    challenges.Add("Digest realm=\"other\"");
    challenges.Add("basic realm=\"lower case is not taken\"");
    challenges.Add("Basic realm=\"Firmware Store\", charset=\"UTF-8\"");
    auth.SetChallenges(challenges);
    EXPECT_EQ(auth.NextStep(), asAskCaller);
    EXPECT_EQ(auth.RealmName, "Firmware Store");
    EXPECT_EQ(auth.Values.FindHeader("realm"), 0);
    EXPECT_EQ(auth.Values[0], "realm: \"Firmware Store\"");
    EXPECT_EQ(auth.Values.HeaderValue("charset"), "\"UTF-8\"");

    TIdBasicAuthentication none;
    EXPECT_EQ(none.NextStep(), asAskCaller);
    EXPECT_EQ(none.RealmName, "");
}

TEST(IdBasicAuthentication, AnswersFollowTheUserNameAndTheStep) {
    TIdBasicAuthentication auth;
    auth.SetChallenges(Challenge("Basic realm=\"r\""));
    EXPECT_EQ(auth.NextStep(), asAskCaller);
    auth.StoreUsername("me");
    EXPECT_EQ(auth.NextStep(), asSendRequest);
    EXPECT_EQ(auth.StepCount(), 1);
    auth.Step = 1;
    EXPECT_EQ(auth.NextStep(), asFail);
    auth.Step = 5;
    EXPECT_EQ(auth.NextStep(), asFail);
    auth.Restart();
    EXPECT_EQ(auth.Step, 0);
    EXPECT_EQ(auth.NextStep(), asSendRequest);
    EXPECT_FALSE(auth.KeepsConnection());
}

TEST(IdAuthSchemes, BasicIsRegisteredAndNamesAreCaseBlind) {
    EXPECT_EQ(FindAuthScheme("basic"), TIdBasicAuthentication::Class());
    EXPECT_EQ(FindAuthScheme("BASIC"), TIdBasicAuthentication::Class());
    EXPECT_EQ(FindAuthScheme("Digest"), nullptr);
    auto made = FindAuthScheme("Basic")->Create();
    EXPECT_NE(dynamic_cast<TIdBasicAuthentication*>(made.get()), nullptr);

    EXPECT_THROW_TEXT(RegisterAuthScheme("bAsIc", TIdBasicAuthentication::Class()),
                      EIdAlreadyRegisteredAuthenticationMethod,
                      "This authentication method is already registered with class name TIdBasicAuthentication.");
    RegisterAuthScheme("X-Test", TIdBasicAuthentication::Class());
    EXPECT_EQ(FindAuthScheme("x-test"), TIdBasicAuthentication::Class());
}
