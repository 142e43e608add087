#pragma once

// The Workspace of the desktop app: URLs go to the user's default handler through GIO, and a
// file is revealed by opening the folder that holds it. Main thread only.

#include "platform/Workspace.h"

namespace velk {

class GioWorkspace final : public Workspace {
public:
    void openURL(std::string_view url) override;
    void revealFile(std::string_view path) override;
};

}  // namespace velk
