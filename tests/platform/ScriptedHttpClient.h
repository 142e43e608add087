#pragma once

// An HttpClient that sends nothing: it keeps each request with its completion until the test
// answers it with complete(), on whichever thread the test calls from.

#include "platform/HttpClient.h"

#include <mutex>
#include <utility>
#include <vector>

namespace velk::testing_support {

class ScriptedHttpClient final : public HttpClient {
public:
    void perform(HttpRequest request, Completion completion) override {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(std::move(request));
        m_completions.push_back(std::move(completion));
    }
    // Every request made so far, answered or not.
    [[nodiscard]] std::vector<HttpRequest> requests() const {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }
    // Completes request number `index` (in the order made). Requires: it was not completed yet.
    void complete(std::size_t index, Result result) {
        std::unique_lock lock(m_mutex);
        const Completion completion = std::exchange(m_completions.at(index), nullptr);
        lock.unlock();
        completion(std::move(result));
    }
    static HttpResponse response(int status, std::string body, std::vector<HttpHeader> headers = {}) {
        HttpResponse answer;
        answer.status = status;
        answer.body = std::move(body);
        answer.headers = std::move(headers);
        return answer;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<HttpRequest> m_requests;
    std::vector<Completion> m_completions;
};

}  // namespace velk::testing_support
