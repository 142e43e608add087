#include "platform/CurlHttpClient.h"

#include "platform/CurlTransfer.h"

#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace velk {

// One thread per request. A worker that finished leaves its id in `finished`; the next perform()
// or the destructor joins it, so threads never pile up and none outlives the client.
struct CurlHttpClient::Workers {
    std::mutex mutex;
    std::condition_variable changed;
    std::atomic<bool> stopping = false;
    std::uint64_t nextId = 0;
    std::map<std::uint64_t, std::thread> threads;
    std::vector<std::uint64_t> finished;
    // The multi handles of running transfers, woken when the client starts stopping.
    std::vector<CURLM*> wakeable;

    // Requires: `lock` holds `mutex`.
    void joinFinished(std::unique_lock<std::mutex>& lock) {
        std::vector<std::thread> done;
        for (const std::uint64_t id : finished) {
            done.push_back(std::move(threads.at(id)));
            threads.erase(id);
        }
        finished.clear();
        lock.unlock();
        for (std::thread& thread : done) thread.join();
        lock.lock();
    }
};

CurlHttpClient::CurlHttpClient(Options options) : m_options(std::move(options)), m_workers(std::make_unique<Workers>()) {
    CurlTransfer::initializeOnce();
}

CurlHttpClient::~CurlHttpClient() {
    std::unique_lock lock(m_workers->mutex);
    m_workers->stopping = true;
    for (CURLM* multi : m_workers->wakeable) curl_multi_wakeup(multi);
    // Completions may still start requests while we wait; those end at once, so this settles.
    while (!m_workers->threads.empty()) {
        m_workers->changed.wait(lock, [&] { return !m_workers->finished.empty(); });
        m_workers->joinFinished(lock);
    }
}

void CurlHttpClient::perform(HttpRequest request, Completion completion) {
    std::unique_lock lock(m_workers->mutex);
    if (!m_workers->finished.empty()) m_workers->joinFinished(lock);
    const std::uint64_t id = m_workers->nextId++;
    Workers& workers = *m_workers;
    const Options& options = m_options;
    workers.threads.emplace(id, std::thread([&workers, &options, id, request = std::move(request),
                                             completion = std::move(completion)]() mutable {
        // A peer that closes early must not kill the process with SIGPIPE: curl is told not to
        // touch signals, so the worker blocks it for itself.
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);

        const CurlTransfer::Context context{
            .options = options,
            .stopping = workers.stopping,
            .startWaking =
                [&workers](CURLM* multi) {
                    std::lock_guard guard(workers.mutex);
                    workers.wakeable.push_back(multi);
                    if (workers.stopping) curl_multi_wakeup(multi);
                },
            .stopWaking =
                [&workers](CURLM* multi) {
                    std::lock_guard guard(workers.mutex);
                    std::erase(workers.wakeable, multi);
                },
        };
        HttpClient::Result result = workers.stopping ? Unexpected<HttpError>(CurlTransfer::stoppedError()) : CurlTransfer::run(request, context);
        completion(std::move(result));
        std::lock_guard guard(workers.mutex);
        workers.finished.push_back(id);
        workers.changed.notify_all();
    }));
}

}  // namespace velk
