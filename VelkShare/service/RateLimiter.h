#pragma once

// How often one client may write (publish, mint a hand-off, send feedback): a token bucket per
// client address that holds `burst` requests and refills at `perMinute`. Kept in memory, so each
// service instance counts on its own. Safe from any thread.

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace velk::share {

class RateLimiter {
public:
    using Clock = std::chrono::system_clock;

    // perMinute 0 turns the limit off.
    RateLimiter(double perMinute, double burst) : m_perSecond(perMinute / 60), m_burst(burst) {}

    // Takes one request from `client`'s bucket at `now`; false when the bucket is empty.
    [[nodiscard]] bool admit(const std::string& client, Clock::time_point now);

private:
    struct Bucket {
        double tokens;
        Clock::time_point refilled;
    };

    std::mutex m_lock;
    double m_perSecond, m_burst;
    std::unordered_map<std::string, Bucket> m_buckets;
};

}  // namespace velk::share
