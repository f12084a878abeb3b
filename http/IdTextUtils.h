#pragma once
// Small text helpers shared by the HTTP client: trimming, case-insensitive comparison (ASCII letters
// only, whatever the locale) and token splitting.
#include <string>
#include <string_view>

#include "platform/text/AsciiText.h"

namespace yeroup::http {

using platform::Trim;
using platform::TrimLeft;
using platform::TrimRight;

std::string UpperCase(std::string_view text);
using platform::SameText;
bool StartsText(std::string_view prefix, std::string_view text);

// Returns the text before the first delimiter (all of it when the delimiter does not occur); with
// remove set, text keeps only what follows the delimiter (nothing when it does not occur).
// The comparison regards case.
std::string TakeUntil(std::string& text, std::string_view delimiter, bool remove = true);

// Searches backwards for sub, starting at the 1-based position start (-1: the whole text), without
// regard to case. Returns the 1-based position of the match or 0.
int PosFromRight(std::string_view sub, std::string_view text, int start = -1);

}  // namespace yeroup::http
