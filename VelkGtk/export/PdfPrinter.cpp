#include "export/PdfPrinter.h"

#include <glib/gstdio.h>
#include <unistd.h>
#include <gtk/gtk.h>

#include <fstream>
#include <sstream>

namespace velk {

void PdfPrinter::print(const ExportedPicture& svg, Done done) {
    auto printer = std::make_shared<PdfPrinter>(std::move(done));
    printer->m_self = printer;
    printer->start(svg);
}

PdfPrinter::PdfPrinter(Done done) : m_done(std::move(done)) {}

PdfPrinter::~PdfPrinter() {
    if (m_timeout) g_source_remove(m_timeout);
    if (m_view) g_signal_handlers_disconnect_by_data(m_view.get(), this);
    if (m_operation) g_signal_handlers_disconnect_by_data(m_operation.get(), this);
    removeFile();
}

void PdfPrinter::removeFile() {
    if (m_file.empty()) return;
    g_remove(m_file.c_str());
    // GTK's file printer lists what it printed among the recent files; a temporary file the user
    // never chose does not belong there.
    if (gchar* uri = g_filename_to_uri(m_file.c_str(), nullptr, nullptr)) {
        gtk_recent_manager_remove_item(gtk_recent_manager_get_default(), uri, nullptr);
        g_free(uri);
    }
    m_file.clear();
}

void PdfPrinter::start(const ExportedPicture& svg) {
    const auto page = PictureExport::printPage(svg);
    m_widthPoints = page.widthPoints;
    m_heightPoints = page.heightPoints;

    gchar* file = nullptr;
    const int handle = g_file_open_tmp("velk-export-XXXXXX.pdf", &file, nullptr);
    if (handle < 0) return finish(Unexpected(std::string("No temporary file could be made for the PDF")));
    close(handle);
    m_file = file;
    g_free(file);

    WebKitSettings* settings = webkit_settings_new();
    webkit_settings_set_enable_javascript(settings, FALSE);
    m_view = GObjectHolder<WebKitWebView>::sink(WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "settings", settings, nullptr)));
    g_object_unref(settings);
    g_signal_connect(m_view.get(), "load-changed", G_CALLBACK(loadChanged), this);
    m_timeout = g_timeout_add_seconds(timeoutSeconds, [](gpointer data) -> gboolean {
        auto* printer = static_cast<PdfPrinter*>(data);
        printer->m_timeout = 0;
        printer->finish(Unexpected(std::string("The PDF took too long to print")));
        return G_SOURCE_REMOVE;
    }, this);
    webkit_web_view_load_html(m_view.get(), page.html.c_str(), "about:blank");
}

void PdfPrinter::loadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
    if (event == WEBKIT_LOAD_FINISHED) static_cast<PdfPrinter*>(data)->loaded();
}

void PdfPrinter::loaded() {
    if (m_operation) return;
    GtkPrintSettings* settings = gtk_print_settings_new();
    gtk_print_settings_set_printer(settings, "Print to File");
    gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT, "pdf");
    gchar* uri = g_filename_to_uri(m_file.c_str(), nullptr, nullptr);
    gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_URI, uri);
    g_free(uri);

    GtkPaperSize* paper = gtk_paper_size_new_custom("velk-map", "Map", m_widthPoints, m_heightPoints, GTK_UNIT_POINTS);
    GtkPageSetup* setup = gtk_page_setup_new();
    gtk_page_setup_set_paper_size(setup, paper);
    gtk_page_setup_set_orientation(setup, GTK_PAGE_ORIENTATION_PORTRAIT);
    for (auto set : {gtk_page_setup_set_top_margin, gtk_page_setup_set_bottom_margin, gtk_page_setup_set_left_margin,
                     gtk_page_setup_set_right_margin})
        set(setup, 0, GTK_UNIT_POINTS);
    gtk_paper_size_free(paper);

    m_operation = GObjectHolder<WebKitPrintOperation>::adopt(webkit_print_operation_new(m_view.get()));
    webkit_print_operation_set_print_settings(m_operation.get(), settings);
    webkit_print_operation_set_page_setup(m_operation.get(), setup);
    g_object_unref(settings);
    g_object_unref(setup);
    g_signal_connect(m_operation.get(), "failed", G_CALLBACK(printFailed), this);
    g_signal_connect(m_operation.get(), "finished", G_CALLBACK(printFinished), this);
    webkit_print_operation_print(m_operation.get());
}

void PdfPrinter::printFailed(WebKitPrintOperation*, GError* error, gpointer data) {
    auto* printer = static_cast<PdfPrinter*>(data);
    printer->m_failed = true;
    printer->finish(Unexpected(std::string("The PDF could not be printed: ") + (error ? error->message : "unknown error")));
}

void PdfPrinter::printFinished(WebKitPrintOperation*, gpointer data) {
    auto* printer = static_cast<PdfPrinter*>(data);
    if (printer->m_failed) return;
    std::ifstream in(printer->m_file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    std::string pdf = std::move(bytes).str();
    if (!pdf.starts_with("%PDF-")) return printer->finish(Unexpected(std::string("The PDF could not be printed")));
    printer->finish(std::move(pdf));
}

void PdfPrinter::finish(Expected<std::string, std::string> outcome) {
    if (!m_done) return;
    auto done = std::move(m_done);
    m_done = nullptr;
    // Now, not with the printer: a caller that ends the program from `done` never lets it go.
    removeFile();
    done(std::move(outcome));
    // Let go of ourselves after WebKit's signal has returned.
    g_idle_add_once([](gpointer data) { static_cast<PdfPrinter*>(data)->m_self.reset(); }, this);
}

}  // namespace velk
