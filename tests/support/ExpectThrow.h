#pragma once
// Error checks that cannot pass by accident: the call must throw, the error must be of the class promised (or
// derive from it) and, where given, carry exactly the text promised. Nothing thrown, another class or another
// text is a failure of the test.
#include <gtest/gtest.h>

#include <exception>
#include <optional>
#include <string>
#include <typeinfo>

namespace yeroup::test {

// The E that call threw, for further checks of its fields; a failure is recorded and nothing returned when it
// threw nothing or something else.
template <class E, class F>
std::optional<E> Thrown(F&& call, const char* what = "the call") {
    try {
        call();
    } catch (const E& e) {
        return e;
    } catch (const std::exception& e) {
        ADD_FAILURE() << what << " threw " << typeid(e).name() << " (\"" << e.what() << "\"), not the "
                      << typeid(E).name() << " expected";
        return std::nullopt;
    } catch (...) {
        ADD_FAILURE() << what << " threw something that is no std::exception";
        return std::nullopt;
    }
    ADD_FAILURE() << what << " threw nothing; expected " << typeid(E).name();
    return std::nullopt;
}

template <class E, class F>
void ExpectThrowText(F&& call, const std::string& text, const char* what) {
    const std::optional<E> thrown = Thrown<E>(call, what);
    if (thrown) {
        EXPECT_EQ(std::string(thrown->what()), text) << what;
    }
}

}  // namespace yeroup::test

// EXPECT_THROW_TEXT(client.Get(url, stream), EIdHTTPProtocolException, "HTTP/1.1 404 Not Found");
#define EXPECT_THROW_TEXT(statement, ErrorClass, text) \
    ::yeroup::test::ExpectThrowText<ErrorClass>([&] { statement; }, text, #statement)
