#include "zip/TraditionalCipher.h"

#include <zlib.h>

namespace yeroup::zip {

namespace {

std::uint32_t CrcByte(std::uint32_t crc, unsigned char b) {
    static const z_crc_t* table = get_crc_table();
    return static_cast<std::uint32_t>(table[(crc ^ b) & 0xFF]) ^ (crc >> 8);
}

}  // namespace

TZFTraditionalCipher::TZFTraditionalCipher(const std::string& password) : keys_{0x12345678, 0x23456789, 0x34567890} {
    for (char c : password) UpdateKeys(static_cast<unsigned char>(c));
}

void TZFTraditionalCipher::UpdateKeys(unsigned char plain) {
    keys_[0] = CrcByte(keys_[0], plain);
    keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
    keys_[2] = CrcByte(keys_[2], static_cast<unsigned char>(keys_[1] >> 24));
}

void TZFTraditionalCipher::Decrypt(unsigned char* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint32_t temp = (keys_[2] | 2) & 0xFFFF;
        const unsigned char plain = static_cast<unsigned char>(data[i] ^ ((temp * (temp ^ 1)) >> 8));
        UpdateKeys(plain);
        data[i] = plain;
    }
}

bool TZFTraditionalCipher::CheckHeader(unsigned char* header, unsigned char check) {
    Decrypt(header, kEncryptionHeaderSize);
    return header[kEncryptionHeaderSize - 1] == check;
}

}  // namespace yeroup::zip
