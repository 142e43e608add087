#include "export/ExportChooser.h"

#include <giomm/file.h>
#include <gtkmm/dialog.h>

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
    m_chooser->signal_response().connect([this, hasSelection, proposed = m_lastFormat, chosen = std::move(chosen)](int response) {
        auto file = response == Gtk::ResponseType::ACCEPT ? m_chooser->get_file() : Glib::RefPtr<Gio::File>();
        if (!file || file->get_path().empty()) return;
        ExportFormat picked = m_lastFormat;
        for (const auto& type : m_types)
            if (type.filter == m_chooser->get_filter()) picked = type.format;
        auto target = PictureExport::chosenFile(file->get_path(), picked, proposed);
        m_lastFormat = target.format;
        chosen(Choice{std::move(target.path), target.format, hasSelection && m_chooser->get_choice(partChoice) == "selection"});
    });
    m_chooser->show();
}

}  // namespace velk
