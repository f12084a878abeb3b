#include "app/trust/CatalogueFreshness.h"

#include "app/core/Limits.h"

namespace yeroup::app::trust {

TFreshness JudgeFreshness(const TSignedFacts& facts, std::int64_t now) {
    if (facts.Expires) return now >= *facts.Expires ? TFreshness::Expired : TFreshness::Current;
    return now - facts.Timestamp > limits::kCatalogueOldAfterSeconds ? TFreshness::Old : TFreshness::Current;
}

bool SignedTooFarAhead(const TSignedFacts& facts, std::int64_t now) {
    return facts.Timestamp > now && facts.Timestamp - now > limits::kMaxSignedAheadSeconds;
}

std::int64_t DaysSinceSigning(const TSignedFacts& facts, std::int64_t now) {
    constexpr std::int64_t kSecondsPerDay = 24 * 60 * 60;
    return now > facts.Timestamp ? (now - facts.Timestamp) / kSecondsPerDay : 0;
}

}  // namespace yeroup::app::trust
