#pragma once
// Header lines of an HTTP message: one "name: value" per line, a line beginning with a space or a
// tab continuing the one above it.
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace yeroup::http {

// Ordered lines of text; Text joins them with CR LF after each line.
class TStringList {
public:
    virtual ~TStringList() = default;

    int Count() const { return static_cast<int>(lines_.size()); }
    const std::string& operator[](int index) const { return lines_.at(static_cast<std::size_t>(index)); }
    void Put(int index, std::string line) { lines_.at(static_cast<std::size_t>(index)) = std::move(line); }
    int Add(std::string line);
    void Insert(int index, std::string line);
    void Delete(int index);
    void Clear() { lines_.clear(); }
    // Replaces the lines by those of other (the settings stay).
    void Assign(const TStringList& other) { lines_ = other.lines_; }

    std::string Text() const;
    // Splits at CR LF, LF or CR; a last line without a line end counts too.
    void SetText(std::string_view text);

    auto begin() const { return lines_.begin(); }
    auto end() const { return lines_.end(); }

private:
    std::vector<std::string> lines_;
};

class TIdHeaderList : public TStringList {
public:
    TIdHeaderList() = default;
    explicit TIdHeaderList(int foldWidth) : FoldWidth(foldWidth) {}

    // Index of the first line with that name, or -1.
    int FindHeader(std::string_view name) const;
    std::string LineName(int index) const;
    std::string LineValue(int index) const;
    std::string HeaderValue(std::string_view name) const { return LineValue(FindHeader(name)); }
    // Replaces the first line of that name (appends when none); an empty value deletes it.
    void SetHeader(std::string_view name, std::string_view value);
    // Appends the values of every line of that name, in order.
    void CollectValues(std::string_view name, TStringList& values) const;
    // The lines name + Separator + value is written as, folded when Fold is set.
    std::vector<std::string> FoldLine(std::string_view name, std::string_view value) const;

    std::string Separator = ": ";
    bool MatchCase = false;
    bool Unfold = true;
    bool Fold = true;
    int FoldWidth = 78;

private:
    bool NameMatches(int index, std::string_view name) const;
    bool IsContinuation(int index) const;
    void DeleteContinuations(int index);
};

}  // namespace yeroup::http
