#pragma once
// Base64 (RFC 2045 alphabet, "=" fill, no line breaks) for Basic credentials.
#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "platform/streams/Stream.h"

namespace yeroup::http {

class TIdEncoder3to4 {
public:
    static constexpr std::int32_t kWholeStream = std::numeric_limits<std::int32_t>::max();

    virtual ~TIdEncoder3to4() = default;

    // Encodes up to count bytes from the stream's position (kWholeStream: all that remain). Any
    // other count must be a multiple of 3, else EIdException "Uneven size in Encode.".
    std::string EncodeStream(platform::TStream& stream, std::int32_t count = kWholeStream) const;

    std::string CodingTable;  // 64 characters
    char FillChar = '=';
};

class TIdEncoderMIME : public TIdEncoder3to4 {
public:
    TIdEncoderMIME();
    static std::string EncodeText(std::string_view text);
};

class TIdDecoder4to3 {
public:
    TIdDecoder4to3(std::string_view codingTable, char fillChar);
    virtual ~TIdDecoder4to3() = default;

    // The text's length must be a multiple of 4, else EIdException "Uneven size in DecodeToStream.".
    // Bytes outside the alphabet are not rejected: they decode as the value 63.
    void DecodeToStream(std::string_view text, platform::TStream& stream) const;

protected:
    explicit TIdDecoder4to3(const std::array<std::uint8_t, 256>& table, char fillChar)
        : table_(table), fillChar_(fillChar) {}

private:
    std::array<std::uint8_t, 256> table_;
    char fillChar_;
};

class TIdDecoderMIME : public TIdDecoder4to3 {
public:
    TIdDecoderMIME();
    static void DecodeText(std::string_view text, platform::TStream& stream);
};

}  // namespace yeroup::http
