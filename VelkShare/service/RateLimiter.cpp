#include "service/RateLimiter.h"

#include <algorithm>
#include <iterator>

namespace velk::share {
namespace {

// Past this many clients, buckets that have filled up again are forgotten: they hold nothing a
// fresh bucket would not.
constexpr std::size_t pruneAbove = 10000;

}  // namespace

bool RateLimiter::admit(const std::string& client, Clock::time_point now) {
    if (m_perSecond <= 0) return true;
    std::lock_guard lock(m_lock);
    const auto refill = [&](Bucket& bucket) {
        const double seconds = std::chrono::duration<double>(now - bucket.refilled).count();
        bucket.tokens = std::min(m_burst, bucket.tokens + std::max(0.0, seconds) * m_perSecond);
        bucket.refilled = now;
    };
    if (m_buckets.size() > pruneAbove) {
        for (auto entry = m_buckets.begin(); entry != m_buckets.end();) {
            refill(entry->second);
            entry = entry->second.tokens >= m_burst ? m_buckets.erase(entry) : std::next(entry);
        }
    }
    auto [found, fresh] = m_buckets.try_emplace(client, Bucket{m_burst, now});
    Bucket& bucket = found->second;
    if (!fresh) refill(bucket);
    if (bucket.tokens < 1) return false;
    bucket.tokens -= 1;
    return true;
}

}  // namespace velk::share
