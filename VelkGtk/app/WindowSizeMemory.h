#pragma once

// Editor windows open at the size the user last left one at, kept in the defaults under
// "VelkDocumentWindow" as "WIDTH HEIGHT". Only one open window holds that memory at a time: the
// first to open takes the remembered size and writes its own when it closes; windows opened while
// it is open start at the default size, so two windows never fight over one remembered size.
// A remembered size that is collapsed to the minimum, or unreadable, gives the default again.
//
// GTK cannot place windows, so the size is all that is remembered. Main thread only, like the
// defaults.

#include "platform/Defaults.h"
#include "shell/WindowFrameGuard.h"

#include <optional>
#include <string_view>

namespace velk {

class WindowSizeMemory {
public:
    static constexpr std::string_view key = "VelkDocumentWindow";
    static constexpr WindowSize minimum{480, 320};

    struct Opening {
        WindowSize size;
        bool holdsMemory;  // this window writes its size when it closes
        bool restored;     // the size came from the memory
        bool operator==(const Opening&) const = default;
    };

    explicit WindowSizeMemory(Defaults& defaults) noexcept : m_defaults(defaults) {}

    // A new editor window asks for its size.
    [[nodiscard]] Opening open();
    // A window closes at `size`; the one holding the memory writes it and lets it go.
    void close(const Opening& opening, std::optional<WindowSize> size);

private:
    [[nodiscard]] std::optional<WindowSize> remembered();

    Defaults& m_defaults;
    bool m_held = false;
};

}  // namespace velk
