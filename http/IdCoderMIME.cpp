#include "http/IdCoderMIME.h"

#include <algorithm>
#include <vector>

#include "net/IdException.h"

namespace yeroup::http {

namespace {

constexpr std::string_view kMimeAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::uint8_t kNotInAlphabet = 255;

std::array<std::uint8_t, 256> DecodeTable(std::string_view codingTable) {
    std::array<std::uint8_t, 256> table{};
    table.fill(kNotInAlphabet);
    for (std::size_t i = 0; i < codingTable.size() && i < 64; ++i)
        table[static_cast<unsigned char>(codingTable[i])] = static_cast<std::uint8_t>(i);
    return table;
}

const std::array<std::uint8_t, 256>& MimeDecodeTable() {
    static const std::array<std::uint8_t, 256> table = DecodeTable(kMimeAlphabet);
    return table;
}

}  // namespace

std::string TIdEncoder3to4::EncodeStream(platform::TStream& stream, std::int32_t count) const {
    if (count != kWholeStream && count % 3 != 0) throw net::EIdException("Uneven size in Encode.");
    if (CodingTable.size() != 64) throw net::EIdException("The coding table must have 64 characters.");
    const std::int64_t remaining = std::max<std::int64_t>(stream.Size() - stream.Position(), 0);
    const std::int64_t n = std::clamp<std::int64_t>(count, 0, remaining);
    if (n == 0) return {};

    std::vector<unsigned char> in(static_cast<std::size_t>(n));
    stream.ReadBuffer(in.data(), n);
    std::string out;
    out.reserve(static_cast<std::size_t>((n + 2) / 3 * 4));
    for (std::size_t i = 0; i < in.size(); i += 3) {
        const std::size_t left = in.size() - i;
        const unsigned b0 = in[i];
        const unsigned b1 = left > 1 ? in[i + 1] : 0;
        const unsigned b2 = left > 2 ? in[i + 2] : 0;
        out += CodingTable[b0 >> 2];
        out += CodingTable[((b0 & 0x03) << 4) | (b1 >> 4)];
        out += left > 1 ? CodingTable[((b1 & 0x0F) << 2) | (b2 >> 6)] : FillChar;
        out += left > 2 ? CodingTable[b2 & 0x3F] : FillChar;
    }
    return out;
}

TIdEncoderMIME::TIdEncoderMIME() {
    CodingTable = kMimeAlphabet;
    FillChar = '=';
}

std::string TIdEncoderMIME::EncodeText(std::string_view text) {
    platform::TMemoryStream stream;
    stream.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
    stream.SetPosition(0);
    return TIdEncoderMIME().EncodeStream(stream);
}

TIdDecoder4to3::TIdDecoder4to3(std::string_view codingTable, char fillChar)
    : table_(DecodeTable(codingTable)), fillChar_(fillChar) {}

void TIdDecoder4to3::DecodeToStream(std::string_view text, platform::TStream& stream) const {
    if (text.size() % 4 != 0) throw net::EIdException("Uneven size in DecodeToStream.");
    std::string out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        std::uint32_t bits = 0;
        for (std::size_t j = 0; j < 4; ++j)
            bits = (bits << 6) | (table_[static_cast<unsigned char>(text[i + j])] & 0x3F);
        out += static_cast<char>(bits >> 16);
        if (text[i + 2] == fillChar_) continue;
        out += static_cast<char>((bits >> 8) & 0xFF);
        if (text[i + 3] == fillChar_) continue;
        out += static_cast<char>(bits & 0xFF);
    }
    if (!out.empty()) stream.WriteBuffer(out.data(), static_cast<std::int64_t>(out.size()));
}

TIdDecoderMIME::TIdDecoderMIME() : TIdDecoder4to3(MimeDecodeTable(), '=') {}

void TIdDecoderMIME::DecodeText(std::string_view text, platform::TStream& stream) {
    TIdDecoderMIME().DecodeToStream(text, stream);
}

}  // namespace yeroup::http
