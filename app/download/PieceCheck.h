#pragma once
// A package body checked piece by piece against its signed piece list as it arrives: each finished piece is hashed
// once, on its way to the disk, and a bad one is known at its last byte, not after the whole package.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "app/download/PieceList.h"
#include "app/trust/Sha256.h"

namespace yeroup::app {

// A piece that does not match its hash: the host sent other bytes than the signed ones from Start() on.
class EBadPiece : public std::runtime_error {
public:
    EBadPiece(std::int64_t piece, std::int64_t start);
    std::int64_t Start() const { return start_; }

private:
    std::int64_t start_;
};

// The host's file has another length than the signed one: it serves another file under the package's name.
class EWrongLength : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TPieceCheck {
public:
    // digest: the SHA-256 (hexadecimal) of the list's text, which names this list in a resume record.
    TPieceCheck(TPieceList list, std::string digest);

    const TPieceList& List() const { return list_; }
    const std::string& Digest() const { return digest_; }
    // Bytes from the start in pieces that matched.
    std::int64_t Verified() const { return verified_; }

    // Hashing starts again at from rounded down to its piece's start; the caller knows every piece before it good.
    void StartAt(std::int64_t from);
    // Where the next bytes must start.
    std::int64_t Position() const { return position_; }
    // The next bytes of the body. Raises EBadPiece when they finish a piece that does not match (nothing after it is
    // taken), and http::EIdHTTPBodyTooLarge when they go past the signed size.
    void Take(std::string_view bytes);
    // A length the host announced for the whole file; raises EWrongLength when it is not the signed one.
    void CheckLength(std::int64_t total) const;

private:
    TPieceList list_;
    std::string digest_;
    trust::TSha256 hash_;
    std::int64_t verified_ = 0;
    std::int64_t position_ = 0;
};

}  // namespace yeroup::app
