#include "http/IdCoderMIME.h"

#include <gtest/gtest.h>

#include "net/IdException.h"
#include "tests/support/ExpectThrow.h"

using namespace yeroup::http;
using yeroup::platform::TMemoryStream;

namespace {

std::string Decode(std::string_view text) {
    TMemoryStream stream;
    TIdDecoderMIME::DecodeText(text, stream);
    return stream.ToString();
}

std::string AllBytes() {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    return bytes;
}

}  // namespace

TEST(IdCoderMIME, EncodesRfc2045WithFill) {
    EXPECT_EQ(TIdEncoderMIME::EncodeText(""), "");
    EXPECT_EQ(TIdEncoderMIME::EncodeText(std::string(1, '\0')), "AA==");
    EXPECT_EQ(TIdEncoderMIME::EncodeText("ab"), "YWI=");
    EXPECT_EQ(TIdEncoderMIME::EncodeText("abc"), "YWJj");
    EXPECT_EQ(TIdEncoderMIME::EncodeText("\xFB\xFF\xBF"), "+/+/");
    // No line breaks however long.
    const std::string long64 = TIdEncoderMIME::EncodeText(std::string(300, 'x'));
    EXPECT_EQ(long64.size(), 400u);
    EXPECT_EQ(long64.find('\n'), std::string::npos);
}

TEST(IdCoderMIME, StreamEncodingStartsAtThePositionAndNeedsWholeGroups) {
    TMemoryStream stream;
    stream.WriteBuffer("xxabcdef", 8);
    stream.SetPosition(2);
    TIdEncoderMIME coder;
    EXPECT_EQ(coder.EncodeStream(stream, 3), "YWJj");
    EXPECT_EQ(stream.Position(), 5);
    EXPECT_EQ(coder.EncodeStream(stream, 30), "ZGVm");  // fewer bytes left than asked for
    EXPECT_EQ(coder.EncodeStream(stream), "");
    stream.SetPosition(0);
    EXPECT_THROW_TEXT(coder.EncodeStream(stream, 4), yeroup::net::EIdException, "Uneven size in Encode.");
}

TEST(IdCoderMIME, DecodesGroupsAndHonoursFill) {
    EXPECT_EQ(Decode(""), "");
    EXPECT_EQ(Decode("YWJj"), "abc");
    EXPECT_EQ(Decode("YWI="), "ab");
    EXPECT_EQ(Decode("YQ=="), "a");
    EXPECT_EQ(Decode("YQ==YWJj"), "aabc");
    EXPECT_EQ(Decode(TIdEncoderMIME::EncodeText(AllBytes())), AllBytes());
    // Bytes outside the alphabet, including non-ASCII ones, decode as 63 instead of failing.
    EXPECT_EQ(Decode("%%%%"), "\xFF\xFF\xFF");
    EXPECT_EQ(Decode("\x80\xFF\x01\x7F"), "\xFF\xFF\xFF");
    EXPECT_THROW_TEXT(Decode("YWJ"), yeroup::net::EIdException, "Uneven size in DecodeToStream.");
}

TEST(IdCoderMIME, DecodedBytesAreAppendedAtTheStreamEnd) {
    TMemoryStream stream;
    stream.WriteBuffer("head:", 5);
    TIdDecoderMIME::DecodeText("dGFpbA==", stream);
    EXPECT_EQ(stream.ToString(), "head:tail");
}

TEST(IdCoderMIME, OwnAlphabetsWork) {
    TIdEncoder3to4 coder;
    coder.CodingTable = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    coder.FillChar = '.';
    TMemoryStream in;
    in.WriteBuffer("\xFB\xFF", 2);
    in.SetPosition(0);
    EXPECT_EQ(coder.EncodeStream(in), "-_8.");
    TMemoryStream out;
    TIdDecoder4to3(coder.CodingTable, '.').DecodeToStream("-_8.", out);
    EXPECT_EQ(out.ToString(), "\xFB\xFF");
    coder.CodingTable = "short";
    in.SetPosition(0);
    EXPECT_THROW(coder.EncodeStream(in), yeroup::net::EIdException);
}
