#include "StartWindow.h"

#include "StartStyle.h"
#include "app/PrimaryMenu.h"
#include "start/StartWindowSpec.h"

#include <glibmm/main.h>
#include <gtkmm/button.h>
#include <gtkmm/headerbar.h>
#include <gtkmm/image.h>
#include <gtkmm/label.h>
#include <gtkmm/messagedialog.h>

namespace velk {

StartWindow::StartWindow(TemplatePreviews& previews, Setup setup) : m_previews(previews), m_setup(std::move(setup)) {
    StartStyle::install();
    set_title(std::string(StartWindowSpec::title));
    set_show_menubar(false);
    set_default_size(StartWindowSpec::minWidth, StartWindowSpec::minHeight);
    set_size_request(StartWindowSpec::minWidth, StartWindowSpec::minHeight);
    set_hide_on_close(!StartWindowSpec::releasedWhenClosed);
    set_name(std::string(StartWindowSpec::identifier));
    buildTopBar();
    set_child(m_overlay);
}

StartWindow::~StartWindow() {
    if (m_model) m_model->onChange(nullptr);
}

void StartWindow::buildTopBar() {
    auto* bar = Gtk::make_managed<Gtk::HeaderBar>();
    // The window's title stays out of sight; the bar shows velk's name instead.
    bar->set_title_widget(*Gtk::make_managed<Gtk::Box>());
    auto* icon = Gtk::make_managed<Gtk::Image>();
    icon->set_from_icon_name("dev.velk.Velk");
    icon->set_pixel_size(22);
    gtk_accessible_update_state(GTK_ACCESSIBLE(icon->gobj()), GTK_ACCESSIBLE_STATE_HIDDEN, TRUE, -1);
    auto* name = Glib::wrap(
        GTK_LABEL(g_object_new(GTK_TYPE_LABEL, "label", "velk", "accessible-role", GTK_ACCESSIBLE_ROLE_HEADING, nullptr)));
    name->add_css_class("start-title");
    auto* open = Gtk::make_managed<Gtk::Button>("Open…");
    open->set_tooltip_text("Open a map (Ctrl+O)");
    open->signal_clicked().connect([this] {
        if (m_browse) m_browse();
    });
    bar->pack_start(*icon);
    bar->pack_start(*Gtk::manage(name));
    bar->pack_end(*makePrimaryMenuButton(m_setup.menu));
    bar->pack_end(*open);
    set_titlebar(*bar);
}

void StartWindow::rebuild(StartModel& model, const std::vector<MapTemplate>& templates, const StartActions& actions) {
    if (m_model) m_model->onChange(nullptr);
    m_model = &model;
    m_browse = actions.browse;
    auto* view = Gtk::make_managed<StartView>(model, actions, m_setup.buildText, m_setup.sendFeedback);
    auto* sheet = Gtk::make_managed<NewMapSheet>(model, templates, actions, m_previews);
    m_overlay.set_child(*view);
    if (m_sheet) m_overlay.remove_overlay(*m_sheet);
    m_overlay.add_overlay(*sheet);
    m_view = view;
    m_sheet = sheet;
    model.onChange([this] { modelChanged(); });
    modelChanged();
}

void StartWindow::modelChanged() {
    m_view->modelChanged();
    m_sheet->modelChanged();
    // Under the sheet the grid takes neither the pointer nor the keyboard.
    const bool free = !m_model->showingNew();
    m_view->set_can_target(free);
    m_view->set_can_focus(free);
    if (free && m_view->get_mapped() && !m_view->grid().has_focus() && !get_focus()) m_view->focusGrid();
}

void StartWindow::present() {
    Gtk::Window::present();
    if (m_model && !m_model->showingNew()) m_view->focusGrid();
}

void StartWindow::close() { set_visible(false); }

bool StartWindow::on_close_request() {
    set_visible(false);
    if (m_setup.closed) Glib::signal_idle().connect_once(m_setup.closed);
    return true;
}

void StartWindow::presentError(const std::string& heading, const std::string& detail) {
    auto alert = std::make_unique<Gtk::MessageDialog>(*this, heading, false, Gtk::MessageType::ERROR,
                                                      Gtk::ButtonsType::CLOSE, true);
    alert->set_secondary_text(detail);
    alert->signal_response().connect([this](int) {
        // Destroyed once its response is over.
        std::shared_ptr<Gtk::Window> done(m_alert.release());
        done->set_visible(false);
        Glib::signal_idle().connect_once([done] {});
    });
    if (m_alert) m_alert->set_visible(false);
    m_alert = std::move(alert);
    m_alert->present();
}

std::string StartWindow::traits() const {
    int width = 0, height = 0;
    get_size_request(width, height);
    std::string style;
    const auto add = [&](bool has, const char* name) {
        if (!has) return;
        if (!style.empty()) style += "|";
        style += name;
    };
    add(get_decorated(), "titled");
    add(get_deletable(), "closable");
    add(get_resizable(), "resizable");
    add(get_titlebar() != nullptr, "fullSizeContentView");
    return "title=" + std::string(get_title()) + " styleMask=" + style + " minSize=" + std::to_string(width) + "x" +
           std::to_string(height) + " excludedFromWindowsMenu=" + (StartWindowSpec::shownInWindowsMenu ? "false" : "true");
}

}  // namespace velk
