// The editor window's own menu commands (the win.* actions): saving, moving and renaming its
// map, and the Edit and Window menus.

#include "EditorWindow.h"

#include "bridge/EditorPageContract.h"
#include "document/PackagePlacement.h"
#include "package/MapNaming.h"

#include <giomm/file.h>
#include <gtkmm/box.h>
#include <gtkmm/dialog.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>

namespace velk {

namespace {

// The page offers undo, redo and select-all through this function, when it is there.
std::string editScript(std::string_view command) {
    const std::string function(EditorPageContract::editFunction);
    return function + " && " + function + "(\"" + std::string(command) + "\")";
}

// Where a map chosen in a save dialog goes: always a package name, whatever was typed.
std::string packageForChosenPath(const std::string& chosen) {
    return PackagePlacement::join(PackagePlacement::parentFolder(chosen),
                                  MapNaming::packageFileName(PackagePlacement::lastComponent(chosen)));
}

}  // namespace

void EditorWindow::addActions() {
    add_action("close", [this] { close(); });
    add_action("save", [this] { save(); });
    // The copy holds the map as shown, typing of the last moment included.
    add_action("duplicate", [this] { afterPageChanges([this] { m_shell.duplicate(*m_document); }); });
    add_action("save-as", [this] { runSaveAs(); });
    add_action("rename", [this] { runRename(); });
    add_action("move", [this] { runMoveTo(); });
    add_action("revert", [this] { revert(); });
    // The page knows what is selected, so the menu asks it to export as its own command does.
    add_action("export", [this] {
        const std::string function(EditorPageContract::commandFunction);
        m_binding->evaluateScript(function + " && " + function + "(\"export\")");
    });
    add_action("minimize", [this] { minimize(); });
    add_action("zoom", [this] { is_maximized() ? unmaximize() : maximize(); });
    addEditActions();
}

void EditorWindow::addEditActions() {
    for (const char* command : {"undo", "redo"})
        add_action(command, [this, command] { evaluateEditCommand(command); });
    add_action("select-all", [this] { evaluateEditCommand("selectAll"); });
    // The clipboard goes through WebKit, which fires the DOM clipboard events the page handles.
    const std::pair<const char*, const char*> clipboard[] = {
        {"cut", WEBKIT_EDITING_COMMAND_CUT}, {"copy", WEBKIT_EDITING_COMMAND_COPY}, {"paste", WEBKIT_EDITING_COMMAND_PASTE}};
    for (const auto& entry : clipboard)
        add_action(entry.first, [this, command = entry.second] {
            webkit_web_view_execute_editing_command(m_binding->view(), command);
        });
}

void EditorWindow::evaluateEditCommand(std::string_view command) { m_binding->evaluateScript(editScript(command)); }

void EditorWindow::save() {
    if (m_document->isDraft()) {
        runSaveAs();
        return;
    }
    if (auto saved = m_document->save(); !saved) presentAlert("The map could not be saved", saved.error().description());
}

void EditorWindow::runSaveAs() { runSaveAs(nullptr); }

void EditorWindow::runSaveAs(AfterSave afterSaved) {
    m_chooser = Gtk::FileChooserNative::create("Save Map", *this, Gtk::FileChooser::Action::SAVE, "_Save", "_Cancel");
    m_chooser->set_modal(true);
    m_chooser->set_current_name(m_document->proposedPackageName());
    if (!m_document->isDraft())
        m_chooser->set_current_folder(Gio::File::create_for_path(PackagePlacement::parentFolder(m_document->folder())));
    m_chooser->signal_response().connect([this, afterSaved = std::move(afterSaved)](int response) {
        // Saving before a close that does not happen after all keeps the window open.
        const auto declined = [&] {
            if (afterSaved) m_shell.closeDeclined();
        };
        auto file = response == Gtk::ResponseType::ACCEPT ? m_chooser->get_file() : Glib::RefPtr<Gio::File>();
        if (!file || file->get_path().empty()) {
            declined();
            return;
        }
        const std::string target = packageForChosenPath(file->get_path());
        if (auto inside = m_shell.placeInsideOpenMap(target, this)) {
            presentAlert("The map could not be saved", *inside);
            declined();
            return;
        }
        if (auto saved = m_document->saveAs(target); !saved) {
            presentAlert("The map could not be saved", saved.error().description());
            declined();
            return;
        }
        if (afterSaved) afterSaved();
    });
    m_chooser->show();
}

void EditorWindow::runMoveTo() {
    m_chooser = Gtk::FileChooserNative::create("Move Map To", *this, Gtk::FileChooser::Action::SELECT_FOLDER, "_Move",
                                               "_Cancel");
    m_chooser->set_modal(true);
    m_chooser->signal_response().connect([this](int response) {
        auto folder = response == Gtk::ResponseType::ACCEPT ? m_chooser->get_file() : Glib::RefPtr<Gio::File>();
        if (!folder || folder->get_path().empty()) return;
        const std::string target = PackagePlacement::join(
            folder->get_path(), m_document->isDraft() ? m_document->proposedPackageName()
                                                      : PackagePlacement::lastComponent(m_document->folder()));
        if (target == m_document->folder()) return;
        if (auto inside = m_shell.placeInsideOpenMap(target, this)) {
            presentAlert("The map could not be moved", *inside);
            return;
        }
        if (auto moved = m_document->moveTo(target); !moved)
            presentAlert("The map could not be moved", moved.error().description());
    });
    m_chooser->show();
}

void EditorWindow::runRename() {
    auto dialog = std::make_unique<Gtk::Dialog>("Rename Map", *this, true);
    auto* entry = Gtk::make_managed<Gtk::Entry>();
    entry->set_text(m_document->displayName());
    entry->set_activates_default(true);
    auto* problem = Gtk::make_managed<Gtk::Label>();
    problem->add_css_class("error");
    problem->set_wrap(true);
    problem->set_xalign(0);
    auto* content = dialog->get_content_area();
    content->set_spacing(8);
    content->set_margin(12);
    content->append(*entry);
    content->append(*problem);
    dialog->add_button("Cancel", Gtk::ResponseType::CANCEL);
    dialog->add_button("Rename", Gtk::ResponseType::ACCEPT);
    dialog->set_default_response(Gtk::ResponseType::ACCEPT);
    auto& shown = m_dialogs.show(std::move(dialog));
    shown.signal_response().connect([this, &shown, entry, problem](int response) {
        if (response != Gtk::ResponseType::ACCEPT) {
            m_dialogs.dismiss(shown);
            return;
        }
        if (auto renamed = m_document->editorRename(entry->get_text().raw()); !renamed) {
            // The dialog stays, so the user can change the name and try again.
            problem->set_text(renamed.error().description());
            return;
        }
        m_dialogs.dismiss(shown);
    });
}

void EditorWindow::revert() {
    if (auto reverted = m_document->revertToSaved(); !reverted)
        presentAlert("The map could not be reverted", reverted.error().description());
}

}  // namespace velk
