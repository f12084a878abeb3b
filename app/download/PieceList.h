#pragma once
// A package's piece list, signed beside it: its size and the SHA-256 of each piece. With it every piece is known
// good as it arrives, whichever host sent it, so a download can go on from another host and a bad piece can be
// fetched again alone.
//
// The file, "<package>.pieces" (lines end in LF):
//   yeroup-pieces 1
//   size <bytes>
//   piece-size <bytes>
//   <SHA-256 of piece 1, 64 hexadecimal digits>
//   ...                               (one line a piece; the last piece may be shorter)
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "app/trust/Sha256.h"

namespace yeroup::app {

// The piece size the publisher writes: small enough that a bad piece costs little to fetch again, large enough
// that a 16 GiB package's list stays near 1 MiB.
inline constexpr std::int64_t kPieceBytes = std::int64_t{1} << 20;

// A piece list that cannot be read; the message says why.
class EPieceListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TPieceList {
    std::int64_t Size = 0;
    std::int64_t PieceSize = kPieceBytes;
    std::vector<trust::TSha256Digest> Hashes;

    bool operator==(const TPieceList&) const = default;
    std::int64_t PieceCount() const { return static_cast<std::int64_t>(Hashes.size()); }
    std::int64_t PieceStart(std::int64_t piece) const { return piece * PieceSize; }
    std::int64_t PieceLength(std::int64_t piece) const;
};

// The list of a file's bytes, read in pieces.
TPieceList MakePieceList(const std::string& file, std::int64_t pieceSize = kPieceBytes);
std::string PieceListText(const TPieceList& list);
// Strict: the header, a size of 1 byte to the package limit, a power-of-two piece size from 64 KiB to 64 MiB,
// exactly as many hashes as pieces (at most kMaxPieces), nothing after. Raises EPieceListError.
TPieceList ReadPieceList(std::string_view text);

}  // namespace yeroup::app
