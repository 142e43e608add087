#pragma once

// Takes a picture of a map from an editor page that shows it and writes it to a file: SVG and
// PNG as the page gives them, PDF printed from the page's SVG. The file is replaced atomically,
// so a failed export never leaves half a picture where an older one was. Used by the editor
// window's Export dialog and by `velk-cli export`.
//
// Main thread only; `done` runs once, never after the page's binding is gone.

#include "core/Expected.h"
#include "export/PictureExport.h"
#include "platform/WebKitWebViewBinding.h"

#include <functional>
#include <string>

namespace velk::MapExport {

using Done = std::function<void(Expected<void, std::string>)>;

void run(WebKitWebViewBinding& page, const ExportRequest& request, std::string file, Done done);

}  // namespace velk::MapExport
