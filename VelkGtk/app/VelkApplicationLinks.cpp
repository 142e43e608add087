// What the link opener asks of the desktop: the maps folder, alerts as modal message dialogs,
// editor windows, and holding the application while a link is under way.

#include "VelkApplication.h"

namespace velk {

void VelkApplication::makeLinkOpener() {
    m_links = std::make_unique<OpenLinks>(OpenLinks::Services{
        m_http, m_mainQueue, m_defaults, m_fileSystem, m_workspace, m_trace,
        [this](OpenLinks::FolderChosen then) { m_mapsFolder->folderForNewMap(linkParent(), std::move(then)); },
        [this](const OpenLinks::Alert& alert, std::function<void(OpenLinks::Choice)> answered) {
            presentLinkAlert(alert, std::move(answered));
        },
        [this](const std::string& package) { return openPackage(package) != nullptr; },
        [this] {
            ++m_linkHolds;
            hold();
        },
        [this] { linkHandled(); }});
}

Gtk::Window& VelkApplication::linkParent() {
    if (auto* focused = dynamic_cast<EditorWindow*>(get_active_window()); focused && !focused->hasClosed()) return *focused;
    return *m_startWindow;
}

void VelkApplication::presentLinkAlert(const OpenLinks::Alert& alert, std::function<void(OpenLinks::Choice)> answered) {
    auto dialog = std::make_unique<Gtk::MessageDialog>(linkParent(), alert.title, false, Gtk::MessageType::WARNING,
                                                       alert.page ? Gtk::ButtonsType::NONE : Gtk::ButtonsType::OK, true);
    dialog->set_secondary_text(alert.message);
    if (alert.page) {
        dialog->add_button("Show in Browser", Gtk::ResponseType::ACCEPT);
        dialog->add_button("Close", Gtk::ResponseType::CLOSE);
        dialog->set_default_response(Gtk::ResponseType::ACCEPT);
    }
    auto& shown = m_linkDialogs.show(std::move(dialog));
    add_window(shown);
    shown.signal_response().connect([this, &shown, answered = std::move(answered)](int response) {
        m_linkDialogs.dismiss(shown);
        answered(response == Gtk::ResponseType::ACCEPT ? OpenLinks::Choice::showInBrowser : OpenLinks::Choice::close);
    });
}

void VelkApplication::linkHandled() {
    release();
    if (--m_linkHolds > 0) return;
    // A link velk was started for that ended in nothing on screen (a dismissed alert, a cancelled
    // question): velk stays in reach, as after any alert at launch.
    if (openEditorWindows().empty() && !m_start->isVisible() && !m_alert) m_start->show(false);
}

}  // namespace velk
