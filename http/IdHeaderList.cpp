#include "http/IdHeaderList.h"

#include "http/IdTextUtils.h"
#include "platform/text/CodePages.h"

namespace yeroup::http {

int TStringList::Add(std::string line) {
    lines_.push_back(std::move(line));
    return Count() - 1;
}

void TStringList::Insert(int index, std::string line) {
    if (index < 0 || index > Count()) throw std::out_of_range("List index out of bounds");
    lines_.insert(lines_.begin() + index, std::move(line));
}

void TStringList::Delete(int index) {
    if (index < 0 || index >= Count()) throw std::out_of_range("List index out of bounds");
    lines_.erase(lines_.begin() + index);
}

std::string TStringList::Text() const {
    std::string text;
    for (const auto& line : lines_) text += line + "\r\n";
    return text;
}

void TStringList::SetText(std::string_view text) {
    lines_.clear();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines_.emplace_back(text.substr(start));
            break;
        }
        lines_.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
}

namespace {

bool StartsWithBlank(const std::string& line) { return !line.empty() && (line[0] == ' ' || line[0] == '\t'); }

// A CR or LF that does not begin a continuation would start a header line of its own on the wire:
// a value taken from a peer (a redirect's host, say) could smuggle in headers. They become spaces.
std::string WithoutBareLineBreaks(std::string_view value) {
    std::string result(value);
    for (std::size_t i = 0; i < result.size(); ++i) {
        const bool continuation = result.compare(i, 2, "\r\n") == 0 && i + 2 < result.size() &&
                                  (result[i + 2] == ' ' || result[i + 2] == '\t');
        if (continuation)
            i += 2;
        else if (result[i] == '\r' || result[i] == '\n')
            result[i] = ' ';
    }
    return result;
}

}  // namespace

bool TIdHeaderList::NameMatches(int index, std::string_view name) const {
    const std::string& line = (*this)[index];
    const std::string colon = TrimRight(Separator);
    const std::size_t n = name.size() + colon.size();
    if (line.size() < n) return false;
    const std::string_view head(line.data(), n);
    if (head.substr(name.size()) != colon) return false;
    return MatchCase ? head.substr(0, name.size()) == name : SameText(head.substr(0, name.size()), name);
}

bool TIdHeaderList::IsContinuation(int index) const { return index < Count() && StartsWithBlank((*this)[index]); }

int TIdHeaderList::FindHeader(std::string_view name) const {
    for (int i = 0; i < Count(); ++i)
        if (NameMatches(i, name)) return i;
    return -1;
}

std::string TIdHeaderList::LineName(int index) const {
    if (index < 0 || index >= Count()) return {};
    const std::string& line = (*this)[index];
    const std::size_t colon = line.find(TrimRight(Separator));
    if (colon == std::string::npos) return {};
    std::string name = line.substr(0, colon);
    return MatchCase ? name : UpperCase(name);
}

std::string TIdHeaderList::LineValue(int index) const {
    if (index < 0 || index >= Count()) return {};
    const std::string& line = (*this)[index];
    const std::size_t colon = line.find(TrimRight(Separator));
    // The name and the one character after it (normally the colon) are skipped.
    const std::size_t skip = (colon == std::string::npos ? 0 : colon) + 1;
    std::string value = skip < line.size() ? line.substr(skip) : std::string();
    if (Unfold)
        for (int i = index + 1; IsContinuation(i); ++i) value = Trim(value) + " " + Trim((*this)[i]);
    return Trim(value);
}

std::vector<std::string> TIdHeaderList::FoldLine(std::string_view name, std::string_view value) const {
    const std::string line = std::string(name) + Separator + WithoutBareLineBreaks(value);
    if (!Fold) return {line};

    static constexpr std::string_view kBreak = "\r\n ";
    const std::size_t n = line.size();
    std::string wrapped;
    std::size_t pieceStart = 0;
    std::size_t pos = 0;
    std::size_t breakPos = std::string::npos;
    long col = 1;
    bool quoted = false;
    bool existingBreak = false;
    while (pos < n) {
        const char c = line[pos];
        if (platform::IsAnsiLeadByte(static_cast<unsigned char>(c)) && pos + 1 < n) {
            ++pos;  // both bytes of the character stay together and count as two columns
            ++col;
        } else if (!quoted && line.compare(pos, kBreak.size(), kBreak) == 0) {
            pos += kBreak.size() - 1;
            breakPos = pos;
            existingBreak = true;
        } else if (!quoted && (c == ' ' || c == '\t' || c == ',')) {
            breakPos = pos;
        } else if (c == '"') {
            quoted = !quoted;
        }
        ++pos;
        ++col;
        const bool breakAvailable = breakPos != std::string::npos && breakPos > pieceStart;
        if (!quoted && (existingBreak || (col > FoldWidth && breakAvailable))) {
            wrapped.append(line, pieceStart, breakPos - pieceStart + 1);
            if (!existingBreak && n - (breakPos + 1) > 1) wrapped += kBreak;
            col = static_cast<long>(pos - breakPos);
            pieceStart = breakPos + 1;
            existingBreak = false;
        }
    }
    wrapped.append(line, pieceStart, std::string::npos);

    std::vector<std::string> pieces;
    TStringList split;
    split.SetText(wrapped);
    for (const auto& piece : split) {
        std::string trimmed = TrimRight(piece);
        // A continuation left with nothing would be an empty line: the end of the header block.
        if (!pieces.empty() && trimmed.empty()) continue;
        pieces.push_back(std::move(trimmed));
    }
    return pieces;
}

void TIdHeaderList::DeleteContinuations(int index) {
    while (IsContinuation(index + 1)) Delete(index + 1);
}

void TIdHeaderList::SetHeader(std::string_view name, std::string_view value) {
    int index = FindHeader(name);
    if (value.empty()) {
        if (index >= 0) {
            DeleteContinuations(index);
            Delete(index);
        }
        return;
    }
    std::vector<std::string> pieces = FoldLine(name, value);
    if (index < 0) {
        for (auto& piece : pieces) Add(std::move(piece));
        return;
    }
    DeleteContinuations(index);
    Put(index, std::move(pieces[0]));
    for (std::size_t i = 1; i < pieces.size(); ++i) Insert(index + static_cast<int>(i), std::move(pieces[i]));
}

void TIdHeaderList::CollectValues(std::string_view name, TStringList& values) const {
    for (int i = 0; i < Count(); ++i)
        if (NameMatches(i, name)) values.Add(LineValue(i));
}

}  // namespace yeroup::http
