#pragma once

// Prints an exported SVG to a PDF through WebKitGTK's print operation: the picture alone on one
// page its own size, so text stays text and lines stay vectors. The page is shown by a web view
// of its own that runs no script and fetches nothing (PictureExport::printPage); GTK's "Print to
// File" printer writes the PDF to a temporary file, whose bytes are handed on and which is then
// removed.
//
// Main thread only. The printer keeps itself alive until `done` has run, exactly once.

#include "core/Expected.h"
#include "export/PictureExport.h"
#include "platform/GObjectHolder.h"

#include <webkit/webkit.h>

#include <functional>
#include <memory>
#include <string>

namespace velk {

class PdfPrinter {
public:
    using Done = std::function<void(Expected<std::string, std::string> pdf)>;

    // Giving up on a print that has not finished by then.
    static constexpr unsigned timeoutSeconds = 120;

    static void print(const ExportedPicture& svg, Done done);

    explicit PdfPrinter(Done done);
    ~PdfPrinter();

private:
    void start(const ExportedPicture& svg);
    void loaded();
    void finish(Expected<std::string, std::string> outcome);
    void removeFile();

    static void loadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer printer);
    static void printFinished(WebKitPrintOperation* operation, gpointer printer);
    static void printFailed(WebKitPrintOperation* operation, GError* error, gpointer printer);

    Done m_done;
    std::shared_ptr<PdfPrinter> m_self;  // alive until done
    GObjectHolder<WebKitWebView> m_view;
    GObjectHolder<WebKitPrintOperation> m_operation;
    std::string m_file;
    double m_widthPoints = 0, m_heightPoints = 0;
    unsigned m_timeout = 0;
    bool m_failed = false;
};

}  // namespace velk
