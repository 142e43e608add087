#include "AboutVelk.h"

#include "BuildStamp.h"
#include "share/ShareBase.h"
#include "shell/Beta.h"
#include "shell/BuildText.h"

namespace velk {

std::string buildText() { return BuildText::text(VELK_VERSION, VELK_COMMIT, VELK_BUILD_NUMBER); }

std::unique_ptr<Gtk::AboutDialog> makeAboutVelk(Gtk::Window* parent) {
    auto about = std::make_unique<Gtk::AboutDialog>();
    if (parent) about->set_transient_for(*parent);
    about->set_modal(false);
    about->set_program_name("velk");
    about->set_logo_icon_name("dev.velk.Velk");
    // "0.1.0 (commit)": the build text without the name the window shows already.
    about->set_version(buildText().substr(std::string_view("velk ").size()));
    about->set_comments(std::string(Beta::notice));
    about->set_website(std::string(defaultShareBase()));
    about->set_website_label("velk on the web");
    // The project has not chosen a licence yet; the window says so rather than claim one.
    about->set_license_type(Gtk::License::CUSTOM);
    about->set_license("No licence has been chosen for velk yet. All rights are reserved by its authors.");
    about->set_wrap_license(true);
    return about;
}

}  // namespace velk
