#pragma once
// How current a signed catalogue is. A mirror or a captive network can serve the last signed catalogue for
// ever, hiding newer firmware (a freeze attack): an operator who signs an expiry ("expires:" in the trusted
// comment) has a stale copy refused; without one, an old copy is still used but shown as old.
#include <cstdint>

#include "app/trust/Minisign.h"

namespace yeroup::app::trust {

enum class TFreshness {
    Current,  // within its signed expiry, or signed less than limits::kCatalogueOldAfterSeconds ago
    Old,      // no expiry of its own and signed longer ago than that
    Expired,  // now is at or past its signed expiry
};

// now and the facts' times in seconds since 1970.
TFreshness JudgeFreshness(const TSignedFacts& facts, std::int64_t now);

// Whether the catalogue was signed more than limits::kMaxSignedAheadSeconds after now: not taken, and not
// counted as the newest one accepted either.
bool SignedTooFarAhead(const TSignedFacts& facts, std::int64_t now);

// Whole days between signing and now (0 for a signature from the future).
std::int64_t DaysSinceSigning(const TSignedFacts& facts, std::int64_t now);

}  // namespace yeroup::app::trust
