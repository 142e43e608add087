#pragma once

// TraceSink is the trace handed to objects that write diagnostic lines, so that they never ask
// the environment whether tracing is on and their tests can read the lines they wrote. The
// composition root passes TraceSink::process(); a default-made sink is off and writes nothing.
//
// A value type. The process sink is safe from any thread; a sink made from a writer is as safe
// as its writer.

#include <concepts>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace velk {

class TraceSink {
public:
    using Writer = std::function<void(std::string_view message)>;

    // Off.
    TraceSink() = default;
    // On, handing every message to `writer`.
    explicit TraceSink(Writer writer) : m_writer(std::move(writer)) {}

    // The process trace: on when velk was started with tracing on, writing to standard error.
    [[nodiscard]] static TraceSink process();

    [[nodiscard]] bool enabled() const noexcept { return static_cast<bool>(m_writer); }

    // Builds the message only when the sink is on.
    template <class Message>
        requires std::invocable<Message>
    void operator()(Message&& message) const {
        if (!m_writer) return;
        m_writer(std::string_view(std::string(message())));
    }

private:
    Writer m_writer;
};

}  // namespace velk
