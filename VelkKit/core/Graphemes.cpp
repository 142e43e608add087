#include "core/Graphemes.h"

#include <unicode/brkiter.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <cstdint>
#include <memory>

namespace velk::Graphemes {

namespace {

// Making a break iterator loads rules; one per thread is made once and rebound to each text.
icu::BreakIterator* characterIterator() {
    thread_local const std::unique_ptr<icu::BreakIterator> instance = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> iterator(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status)) iterator.reset();
        return iterator;
    }();
    return instance.get();
}

// Binds the thread's iterator to `text` for one scope. Without ICU data there is no iterator,
// and callers fall back to one character per code point.
class BoundIterator {
public:
    explicit BoundIterator(std::string_view text) {
        icu::BreakIterator* iterator = characterIterator();
        if (!iterator) return;
        UErrorCode status = U_ZERO_ERROR;
        utext_openUTF8(&m_text, text.data(), static_cast<int64_t>(text.size()), &status);
        if (U_SUCCESS(status)) iterator->setText(&m_text, status);
        if (U_SUCCESS(status)) m_iterator = iterator;
    }
    ~BoundIterator() { utext_close(&m_text); }
    BoundIterator(const BoundIterator&) = delete;
    BoundIterator& operator=(const BoundIterator&) = delete;

    icu::BreakIterator* get() const { return m_iterator; }

private:
    UText m_text = UTEXT_INITIALIZER;
    icu::BreakIterator* m_iterator = nullptr;
};

}  // namespace

std::vector<std::size_t> boundaries(std::string_view text) {
    std::vector<std::size_t> result{0};
    const BoundIterator bound(text);
    if (icu::BreakIterator* iterator = bound.get()) {
        for (int32_t at = iterator->next(); at != icu::BreakIterator::DONE; at = iterator->next()) {
            result.push_back(static_cast<std::size_t>(at));
        }
        return result;
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    for (int32_t at = 0; at < length;) {
        U8_FWD_1(bytes, at, length);
        result.push_back(static_cast<std::size_t>(at));
    }
    return result;
}

std::optional<std::size_t> startOfLast(std::string_view text, std::size_t count) {
    if (count == 0) return text.size();
    // Every character has at least one byte.
    if (text.size() < count) return std::nullopt;
    const BoundIterator bound(text);
    if (icu::BreakIterator* iterator = bound.get()) {
        int32_t at = iterator->last();
        for (std::size_t i = 0; i < count; ++i) {
            at = iterator->previous();
            if (at == icu::BreakIterator::DONE) return std::nullopt;
        }
        return static_cast<std::size_t>(at);
    }
    auto at = static_cast<int32_t>(text.size());
    for (std::size_t i = 0; i < count; ++i) {
        if (at == 0) return std::nullopt;
        U8_BACK_1(reinterpret_cast<const uint8_t*>(text.data()), 0, at);
    }
    return static_cast<std::size_t>(at);
}

}  // namespace velk::Graphemes
