#include "VelkApplication.h"

#include "bridge/EditorBundle.h"

#include <glib.h>

#include <algorithm>
#include <cstdio>

namespace velk {

namespace {

constexpr const char* applicationID = "dev.velk.Velk";

// A package is opened by its folder or by the path of its map.canvas.
std::string packageFolder(std::string path) {
    constexpr std::string_view canvas = "/map.canvas";
    if (path.ends_with(canvas)) path.resize(path.size() - canvas.size());
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

Glib::RefPtr<VelkApplication> VelkApplication::create(Paths paths, TraceSink trace, DocumentOptions documents) {
    return Glib::make_refptr_for_instance<VelkApplication>(
        new VelkApplication(std::move(paths), std::move(trace), std::move(documents)));
}

VelkApplication::VelkApplication(Paths paths, TraceSink trace, DocumentOptions documents)
    : Gtk::Application(applicationID, Gio::Application::Flags::HANDLES_OPEN),
      m_paths(std::move(paths)),
      m_trace(std::move(trace)),
      m_http(CurlHttpClient::Options{"velk/0.1 (Linux)", std::nullopt, CurlHttpClient::LoopbackRoute::checked}),
      m_previews(m_http),
      m_documentOptions(std::move(documents)) {
    m_documentOptions.trace = m_trace;
}

VelkApplication::~VelkApplication() {
    // Windows (and their hosts) go before the services they use.
    m_windows.clear();
    m_alert.reset();
}

void VelkApplication::on_activate() {
    auto page = editorPage();
    if (!page) return;
    // Nothing to open: a new empty map, kept in a temporary folder until saving elsewhere exists.
    char* folder = g_build_filename(m_paths.temporaryRoot.c_str(), "velk-XXXXXX", nullptr);
    char* made = g_mkdtemp(folder);
    if (!made) {
        std::fprintf(stderr, "velk: cannot make a folder for a new map in %s\n", m_paths.temporaryRoot.c_str());
        g_free(folder);
        return;
    }
    std::string package = std::string(made) + "/Untitled.velk";
    g_free(folder);
    auto document = VelkDocument::createEmpty(package, m_fileSystem, m_mainQueue);
    if (!document) {
        std::fprintf(stderr, "velk: %s\n", document.error().description().c_str());
        return;
    }
    show(*document, *page);
}

void VelkApplication::on_open(const type_vec_files& files, const Glib::ustring&) {
    for (const auto& file : files) {
        if (auto path = file->get_path(); !path.empty()) openPackage(path);
    }
}

EditorWindow* VelkApplication::openPackage(const std::string& path) {
    std::string folder = packageFolder(path);
    for (const auto& window : m_windows) {
        if (window->document().folder() == folder) {
            window->present();
            return window.get();
        }
    }
    auto page = editorPage();
    if (!page) return nullptr;
    auto document = VelkDocument::open(folder, m_fileSystem, m_mainQueue);
    if (!document) {
        std::fprintf(stderr, "velk: %s\n", document.error().description().c_str());
        return nullptr;
    }
    return show(*document, *page);
}

std::optional<SharedBytes> VelkApplication::editorPage() {
    auto page = EditorBundle::html(m_paths.resources, m_fileSystem);
    if (auto alert = pageAlert(page)) {
        // No window without the editor page.
        tell(*alert);
        return std::nullopt;
    }
    return *page;
}

void VelkApplication::tell(const PageAlert& alert) {
    std::fprintf(stderr, "velk: %s\n", alert.detail.c_str());
    // Several maps opened at once would otherwise stack one dialog per map.
    if (m_alert) {
        m_alert->present();
        return;
    }
    m_alert = std::make_unique<Gtk::MessageDialog>(alert.heading, false, Gtk::MessageType::ERROR,
                                                   Gtk::ButtonsType::CLOSE, true);
    m_alert->set_secondary_text(alert.detail);
    add_window(*m_alert);
    m_alert->signal_response().connect([this](int) {
        m_alert->hide();
        remove_window(*m_alert);
        // Destroyed later: the response signal is still running on it. Let go of it now, so a
        // new alert before then gets a dialog of its own.
        std::shared_ptr<Gtk::MessageDialog> dismissed(m_alert.release());
        m_mainQueue.runSoon([dismissed] {});
    });
    m_alert->present();
}

EditorWindow* VelkApplication::show(std::shared_ptr<VelkDocument> document, SharedBytes page) {
    document->setOptions(m_documentOptions);
    auto window = std::make_unique<EditorWindow>(
        std::move(document), std::move(page),
        EditorWindow::Services{m_mainQueue, m_http, m_previews, m_workspace,
                               [](std::optional<std::string_view>) { return std::string(); }, m_trace});
    EditorWindow* shown = window.get();
    m_windows.push_back(std::move(window));
    add_window(*shown);
    shown->signal_hide().connect([this, shown] { forget(shown); });
    shown->present();
    return shown;
}

void VelkApplication::forget(EditorWindow* window) {
    remove_window(*window);
    // Destroyed later: the hide signal is still running on it.
    m_mainQueue.runSoon([this, window] {
        std::erase_if(m_windows, [window](const auto& held) { return held.get() == window; });
    });
}

}  // namespace velk
