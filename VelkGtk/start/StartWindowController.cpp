#include "StartWindowController.h"

#include "start/NewMapPackage.h"

namespace velk {

StartWindowController::StartWindowController(Services services, StartWindowView& view)
    : m_services(std::move(services)), m_view(view), m_model(m_services.recents) {
    m_actions = StartActions{
        [this](const MapTemplate& from) { start(from); },
        [this](const std::string& package) { open(package); },
        [this] { m_services.browse(); },
        m_services.showInFiles,
        [this](const std::string& package) { removeFromRecents(package); },
    };
}

void StartWindowController::show(bool newSheet) {
    m_services.trace([&] { return std::string("StartWindow.show newSheet=") + (newSheet ? "true" : "false"); });
    loadTemplates();
    m_model.reload();
    if (m_services.preparePreviews) m_services.preparePreviews(m_templates);
    m_model.setShowingNew(newSheet);
    m_view.rebuild(m_model, m_templates, m_actions);
    m_view.present();
    m_services.trace([&] { return "StartWindow: " + m_view.traits(); });
}

void StartWindowController::loadTemplates() {
    if (!m_services.templatesDirectory) return;
    auto listed = Templates::list(*m_services.templatesDirectory, m_services.fileSystem);
    if (!listed) {
        // The sheet then says the templates are missing; nothing more is worth an alert.
        m_templates.clear();
        m_services.trace([&] { return "templates: " + listed.error().description(); });
        return;
    }
    m_templates = std::move(*listed);
}

void StartWindowController::start(const MapTemplate& from) {
    if (!m_services.templatesDirectory || m_asking) return;
    m_asking = true;
    m_services.folderForNewMap([this, from](std::optional<std::string> folder) {
        m_asking = false;
        if (folder) make(from, *folder);
    });
}

void StartWindowController::make(const MapTemplate& from, const std::string& folder) {
    auto tree = Templates::tree(from.id, *m_services.templatesDirectory, m_services.fileSystem);
    if (!tree) {
        m_view.presentError(std::string(cannotMakeHeading), tree.error().description());
        return;
    }
    auto made = NewMapPackage::create(*tree, Templates::newMapName(from), folder, m_services.fileSystem);
    if (!made) {
        m_view.presentError(std::string(cannotMakeHeading), made.error().description());
        return;
    }
    m_services.trace([&] { return "StartWindow: new map at " + *made; });
    m_model.setShowingNew(false);
    open(*made);
}

void StartWindowController::open(const std::string& package) {
    if (auto failed = m_services.openMap(package)) {
        m_view.presentError(failed->heading, failed->detail);
        return;
    }
    m_view.close();
}

void StartWindowController::removeFromRecents(const std::string& package) {
    m_services.forgetRecent(package);
    m_model.reload();
}

}  // namespace velk
