#include "StartStyle.h"

#include "shell/Brand.h"

#include <gdkmm/display.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/stylecontext.h>

#include <string>

namespace velk::StartStyle {
namespace {

std::string sheet() {
    return R"CSS(
.start-card { padding: 0; margin: 0; background: none; border: none; box-shadow: none; outline-color: transparent; }
.start-card .face { border-radius: 10px; border: 1px solid alpha(currentColor, 0.15);
                    background-color: alpha(currentColor, 0.03); }
.start-card.dashed .face { border: 2px dashed alpha(currentColor, 0.25); background-color: transparent; }
.start-card:hover .face { border-color: alpha(currentColor, 0.4); background-color: alpha(currentColor, 0.06); }
.start-card.keyboard-focus .face, .sheet .start-card:focus-visible .face {
    border-color: @theme_selected_bg_color; box-shadow: 0 0 0 2px @theme_selected_bg_color; }
.start-card .symbol { color: alpha(currentColor, 0.55); }
.start-card .symbol.template-symbol { color: )CSS" +
           std::string(Brand::lantern500) + R"CSS(; }
.start-card .symbol.placeholder { color: alpha(currentColor, 0.2); }
.start-card .words { padding: 0 4px; }
.start-card .name { font-weight: bold; }
.start-card .detail { font-size: smaller; opacity: 0.65; }
.start-title { font-size: 15pt; font-weight: 600; }
.start-footer { padding: 8px 24px 12px 24px; border-top: 1px solid alpha(currentColor, 0.1); }
.start-footer .beta { font-size: 11pt; font-weight: 600; opacity: 0.6; }
.start-footer .build { font-size: 11pt; opacity: 0.45; }
.start-footer button.link { padding: 0 4px; min-height: 0; }
.sheet-backdrop { background-color: alpha(black, 0.35); }
.sheet { background-color: @theme_bg_color; border-radius: 12px; box-shadow: 0 6px 28px alpha(black, 0.35); }
)CSS";
}

}  // namespace

void install() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    auto provider = Gtk::CssProvider::create();
    provider->load_from_data(sheet());
    Gtk::StyleContext::add_provider_for_display(Gdk::Display::get_default(), provider,
                                                GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

}  // namespace velk::StartStyle
