#include "app/download/PieceList.h"

#include <algorithm>

#include "app/core/Limits.h"
#include "platform/files/MappedFile.h"
#include "platform/text/AsciiText.h"

namespace yeroup::app {

namespace {

constexpr std::string_view kHeader = "yeroup-pieces 1";
constexpr std::int64_t kSmallestPiece = std::int64_t{64} << 10;
constexpr std::int64_t kLargestPiece = std::int64_t{64} << 20;

// The next line without its LF; refuses a text whose last line has none.
std::string_view NextLine(std::string_view& rest) {
    const std::size_t end = rest.find('\n');
    if (end == std::string_view::npos) throw EPieceListError("the piece list ends inside a line");
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end + 1);
    return line;
}

std::int64_t ReadField(std::string_view& rest, std::string_view name) {
    const std::string_view line = NextLine(rest);
    std::int64_t value = 0;
    if (line.size() <= name.size() + 1 || line.substr(0, name.size()) != name || line[name.size()] != ' ' ||
        !platform::ReadDecimal(line.substr(name.size() + 1), value))
        throw EPieceListError("the piece list's " + std::string(name) + " line is not \"" + std::string(name) +
                              " <number>\"");
    return value;
}

}  // namespace

std::int64_t TPieceList::PieceLength(std::int64_t piece) const { return std::min(PieceSize, Size - PieceStart(piece)); }

TPieceList MakePieceList(const std::string& file, std::int64_t pieceSize) {
    const platform::TMappedFile bytes(file);
    const std::string_view all = bytes.Bytes();
    TPieceList list;
    list.Size = static_cast<std::int64_t>(all.size());
    list.PieceSize = pieceSize;
    for (std::int64_t start = 0; start < list.Size; start += pieceSize)
        list.Hashes.push_back(trust::Sha256Of(all.substr(
            static_cast<std::size_t>(start), static_cast<std::size_t>(std::min(pieceSize, list.Size - start)))));
    return list;
}

std::string PieceListText(const TPieceList& list) {
    std::string text = std::string(kHeader) + "\nsize " + std::to_string(list.Size) + "\npiece-size " +
                       std::to_string(list.PieceSize) + "\n";
    for (const trust::TSha256Digest& hash : list.Hashes) text += trust::HexText(hash) + "\n";
    return text;
}

TPieceList ReadPieceList(std::string_view text) {
    if (text.size() > limits::kMaxPieceListBytes) throw EPieceListError("the piece list is too long");
    std::string_view rest = text;
    if (NextLine(rest) != kHeader) throw EPieceListError("not a piece list of this version");
    TPieceList list;
    list.Size = ReadField(rest, "size");
    list.PieceSize = ReadField(rest, "piece-size");
    if (list.Size < 1 || list.Size > limits::kMaxPackageBytes)
        throw EPieceListError("the piece list's size is out of range");
    if (list.PieceSize < kSmallestPiece || list.PieceSize > kLargestPiece || (list.PieceSize & (list.PieceSize - 1)))
        throw EPieceListError("the piece list's piece size is out of range");
    const std::int64_t count = (list.Size + list.PieceSize - 1) / list.PieceSize;
    if (count > limits::kMaxPieces) throw EPieceListError("the piece list has too many pieces");
    list.Hashes.resize(static_cast<std::size_t>(count));
    for (trust::TSha256Digest& hash : list.Hashes)
        if (rest.empty() || !trust::ReadHexDigest(NextLine(rest), hash))
            throw EPieceListError("the piece list's hashes do not match its size");
    if (!rest.empty()) throw EPieceListError("the piece list has more hashes than pieces");
    return list;
}

}  // namespace yeroup::app
