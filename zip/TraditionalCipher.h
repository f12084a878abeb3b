#pragma once
// The traditional PKWARE stream cipher used by encrypted entries (decryption only).
#include <cstddef>
#include <cstdint>
#include <string>

namespace yeroup::zip {

inline constexpr int kEncryptionHeaderSize = 12;

class TZFTraditionalCipher {
public:
    explicit TZFTraditionalCipher(const std::string& password);

    void Decrypt(unsigned char* data, std::size_t size);
    // Decrypts the 12-byte encryption header in place; true when its last byte equals check.
    bool CheckHeader(unsigned char* header, unsigned char check);

private:
    void UpdateKeys(unsigned char plain);

    std::uint32_t keys_[3];
};

}  // namespace yeroup::zip
