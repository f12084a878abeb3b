#include "app/download/PieceCheck.h"

#include <algorithm>

#include "http/IdHTTPFraming.h"

namespace yeroup::app {

EBadPiece::EBadPiece(std::int64_t piece, std::int64_t start)
    : std::runtime_error("piece " + std::to_string(piece + 1) + " of the package does not match its signed hash"),
      start_(start) {}

TPieceCheck::TPieceCheck(TPieceList list, std::string digest) : list_(std::move(list)), digest_(std::move(digest)) {}

void TPieceCheck::StartAt(std::int64_t from) {
    const std::int64_t start = std::clamp<std::int64_t>(from, 0, list_.Size) / list_.PieceSize * list_.PieceSize;
    hash_.Final();  // drops what was fed
    verified_ = start;
    position_ = start;
}

void TPieceCheck::Take(std::string_view bytes) {
    if (static_cast<std::int64_t>(bytes.size()) > list_.Size - position_) http::RaiseBodyTooLarge(list_.Size);
    while (!bytes.empty()) {
        const std::int64_t piece = position_ / list_.PieceSize;
        const std::int64_t pieceEnd = list_.PieceStart(piece) + list_.PieceLength(piece);
        const std::size_t part = static_cast<std::size_t>(
            std::min<std::int64_t>(pieceEnd - position_, static_cast<std::int64_t>(bytes.size())));
        hash_.Update(bytes.substr(0, part));
        bytes.remove_prefix(part);
        position_ += static_cast<std::int64_t>(part);
        if (position_ < pieceEnd) continue;
        if (hash_.Final() != list_.Hashes[static_cast<std::size_t>(piece)]) {
            position_ = list_.PieceStart(piece);
            throw EBadPiece(piece, position_);
        }
        verified_ = position_;
    }
}

void TPieceCheck::CheckLength(std::int64_t total) const {
    if (total != list_.Size)
        throw EWrongLength("the host's file has " + std::to_string(total) + " bytes, not the signed " +
                           std::to_string(list_.Size));
}

}  // namespace yeroup::app
