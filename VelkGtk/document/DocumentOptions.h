#pragma once

// How a VelkDocument paces the work it does on its own: thumbnails of the editor and rereading
// the package after other programs changed it. The defaults are the app's; tests shorten them.

#include "trace/TraceSink.h"

#include <chrono>

namespace velk {

struct DocumentOptions {
    // The first thumbnail of a package that has none, after the editor first loads it.
    std::chrono::milliseconds firstThumbnailDelay{1500};
    // A new thumbnail after the last save of a burst.
    std::chrono::milliseconds thumbnailAfterSaveDelay{2000};
    // How long the package must stay quiet after another program touched it before it is reread.
    std::chrono::milliseconds outsideChangeSettle{300};
    TraceSink trace;
};

}  // namespace velk
