#include "WindowSizeMemory.h"

#include <charconv>
#include <string>

namespace velk {
namespace {

// Larger than any screen; a bigger remembered size was damaged, not chosen.
constexpr int largest = 16384;

std::optional<int> readDimension(std::string_view& text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || value <= 0 || value > largest) return std::nullopt;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return value;
}

}  // namespace

std::optional<WindowSize> WindowSizeMemory::remembered() {
    auto stored = m_defaults.string(key);
    if (!stored) return std::nullopt;
    std::string_view text = *stored;
    auto width = readDimension(text);
    if (!width) return std::nullopt;
    auto height = readDimension(text);
    if (!height || !text.empty()) return std::nullopt;
    return WindowSize{static_cast<double>(*width), static_cast<double>(*height)};
}

WindowSizeMemory::Opening WindowSizeMemory::open() {
    const Opening fresh{WindowFrameGuard::editorContentSize, false, false};
    if (m_held) return fresh;
    m_held = true;
    auto size = remembered();
    if (!size || WindowFrameGuard::isCollapsed(*size, minimum)) return {fresh.size, true, false};
    return {*size, true, true};
}

void WindowSizeMemory::close(const Opening& opening, std::optional<WindowSize> size) {
    if (!opening.holdsMemory) return;
    m_held = false;
    if (!size || size->width <= 0 || size->height <= 0) return;
    m_defaults.setString(key, std::to_string(static_cast<int>(size->width)) + " " +
                                  std::to_string(static_cast<int>(size->height)));
}

}  // namespace velk
