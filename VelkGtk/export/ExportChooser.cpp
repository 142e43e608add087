#include "export/ExportChooser.h"

#include <giomm/file.h>
#include <gtkmm/messagedialog.h>

namespace velk {

namespace {

constexpr const char* partChoice = "part";

}  // namespace

void ExportChooser::run(Gtk::Window& parent, const std::string& name, const std::string& folder, bool hasSelection,
                        Chosen chosen) {
    m_chooser = Gtk::FileChooserNative::create("Export Map", parent, Gtk::FileChooser::Action::SAVE, "_Export", "_Cancel");
    m_chooser->set_modal(true);
    m_types = {{"PNG picture", ExportFormat::png, {}},
               {"PNG picture at 2×", ExportFormat::png2x, {}},
               {"SVG picture", ExportFormat::svg, {}},
               {"PDF document", ExportFormat::pdf, {}}};
    for (auto& type : m_types) {
        type.filter = Gtk::FileFilter::create();
        type.filter->set_name(type.label);
        type.filter->add_suffix(std::string(PictureExport::extension(type.format)));
        m_chooser->add_filter(type.filter);
        if (type.format == m_lastFormat) m_chooser->set_filter(type.filter);
    }
    if (hasSelection) {
        m_chooser->add_choice(partChoice, "Export", {"selection", "map"}, {"The selection", "The whole map"});
        m_chooser->set_choice(partChoice, "selection");
    }
    m_chooser->set_current_name(name + "." + std::string(PictureExport::extension(m_lastFormat)));
    if (!folder.empty()) m_chooser->set_current_folder(Gio::File::create_for_path(folder));
    m_chooser->signal_response().connect([this, &parent, hasSelection, proposed = m_lastFormat,
                                          chosen = std::move(chosen)](int response) {
        auto file = response == Gtk::ResponseType::ACCEPT ? m_chooser->get_file() : Glib::RefPtr<Gio::File>();
        if (!file || file->get_path().empty()) return;
        ExportFormat picked = m_lastFormat;
        for (const auto& type : m_types)
            if (type.filter == m_chooser->get_filter()) picked = type.format;
        const std::string typed = file->get_path();
        auto target = PictureExport::chosenFile(typed, picked, proposed);
        m_lastFormat = target.format;
        const bool selection = hasSelection && m_chooser->get_choice(partChoice) == "selection";
        Choice choice{std::move(target.path), target.format, selection};
        // The chooser asked before replacing the name as typed; the extension added since may
        // name another file, which must not be written over unasked.
        if (choice.file != typed && Gio::File::create_for_path(choice.file)->query_exists()) {
            confirmReplacing(parent, std::move(choice), chosen);
            return;
        }
        chosen(std::move(choice));
    });
    m_chooser->show();
}

void ExportChooser::confirmReplacing(Gtk::Window& parent, Choice choice, const Chosen& chosen) {
    auto file = Gio::File::create_for_path(choice.file);
    auto question = std::make_unique<Gtk::MessageDialog>(
        parent, "\u201c" + file->get_basename() + "\u201d already exists. Do you want to replace it?", false,
        Gtk::MessageType::QUESTION, Gtk::ButtonsType::NONE, true);
    question->set_secondary_text("Replacing it will overwrite its contents.");
    question->add_button("Cancel", Gtk::ResponseType::CANCEL);
    question->add_button("Replace", Gtk::ResponseType::ACCEPT)->add_css_class("destructive-action");
    question->set_default_response(Gtk::ResponseType::CANCEL);
    auto& shown = m_dialogs.show(std::move(question));
    shown.signal_response().connect([this, &shown, choice = std::move(choice), chosen](int response) {
        m_dialogs.dismiss(shown);
        if (response == Gtk::ResponseType::ACCEPT) chosen(choice);
    });
}

}  // namespace velk
