#include "OpenLinks.h"

#include "document/PackagePlacement.h"
#include "share/ShareBase.h"
#include "share/ShareLinks.h"
#include "start/NewMapPackage.h"

namespace velk {
namespace {

constexpr std::string_view notOpenedTitle = "The shared map could not be opened";

const std::string& idOf(const SharedLink::Link& link) {
    return std::visit([](const auto& kind) -> const std::string& { return kind.id; }, link);
}

}  // namespace

// Keeps the application held from its making to its end; it lets go only while the opener lives.
class OpenLinks::Hold {
public:
    explicit Hold(std::weak_ptr<OpenLinks*> owner) : m_owner(std::move(owner)) {
        if (const auto self = m_owner.lock(); self && (*self)->m_services.hold) (*self)->m_services.hold();
    }
    ~Hold() {
        if (const auto self = m_owner.lock(); self && (*self)->m_services.release) (*self)->m_services.release();
    }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

private:
    std::weak_ptr<OpenLinks*> m_owner;
};

OpenLinks::OpenLinks(Services services)
    : m_services(std::move(services)), m_self(std::make_shared<OpenLinks*>(this)) {}

std::shared_ptr<OpenLinks::Hold> OpenLinks::hold() { return std::make_shared<Hold>(m_self); }

void OpenLinks::open(std::string_view url) {
    m_services.trace([&] { return "OpenLinks: " + std::string(url); });
    const std::string base = chosenShareBase(m_services.defaults.string(shareBaseKey));
    const auto link = SharedLink::link(url);
    if (!link) {
        alert("velk cannot open this link", "Only links to maps shared on " + std::string(shareHost(base)) + " open here.");
        return;
    }
    MainQueue& mainQueue = m_services.mainQueue;
    auto completion = [owner = std::weak_ptr(m_self), &mainQueue, link = *link, base, held = hold()](
                          HttpClient::Result result) mutable {
        // The hold travels to the main thread, where it is let go.
        mainQueue.runSoon([owner, link, base, held = std::move(held), result = std::move(result)] {
            const auto self = owner.lock();
            if (!self) return;
            if (result) (*self)->arrived(link, base, result->body, result->status, std::nullopt);
            else (*self)->arrived(link, base, std::nullopt, std::nullopt, result.error().description());
        });
    };
    m_services.http.perform(ShareLinks::fetchRequest(SharedLink::apiURL(*link, base)), std::move(completion));
}

void OpenLinks::arrived(const SharedLink::Link& link, const std::string& base, const std::optional<std::string>& body,
                        std::optional<int> status, const std::optional<std::string>& error) {
    const std::string& id = idOf(link);
    m_services.trace([&] {
        return "OpenLinks: " + id + " answered " + (status ? std::to_string(*status) : std::string("nothing")) +
               (error ? " \u2014 " + *error : std::string());
    });
    const std::string host(shareHost(base));
    if (!status) return alert(std::string(notOpenedTitle), error.value_or("No answer."));
    const bool handoff = std::holds_alternative<SharedLink::Handoff>(link);
    switch (*status) {
    case 200:
        m_services.folderForNewMap([owner = std::weak_ptr(m_self), link, body, held = hold()](std::optional<std::string> folder) mutable {
            const auto done = std::move(held);
            if (const auto self = owner.lock(); self && folder) (*self)->save(link, body, *folder);
        });
        return;
    case 410:
        return alert("This map was removed", host + " says why on the link's page.", SharedLink::pageURL(id, base));
    case 404:
        if (handoff) {
            return alert("This map was already opened",
                         "A map handed over from the browser opens once, within ten minutes. Use Open in App in the "
                         "browser again.");
        }
        return alert("This link no longer works", "Whoever shared the map has stopped sharing it.");
    default:
        return alert(std::string(notOpenedTitle), error.value_or(host + " answered " + std::to_string(*status) + "."));
    }
}

void OpenLinks::save(const SharedLink::Link& link, const std::optional<std::string>& body, const std::string& folder) {
    const auto* share = std::get_if<SharedLink::Share>(&link);
    DefaultsDictionary copies = m_services.defaults.dictionary(sharedCopiesKey).value_or(DefaultsDictionary{});
    if (share) {
        // The same share opens the same copy, as long as that is still there; the download is not used.
        const auto recorded = copies.find(share->id);
        if (recorded != copies.end() && PackagePlacement::exists(m_services.fileSystem, recorded->second))
            return show(recorded->second);
    }
    std::optional<std::string> package;
    if (const auto opened = SharedLink::open(body.value_or(std::string()))) {
        // Written under a temporary name and renamed into place: a failed write leaves nothing.
        if (auto made = NewMapPackage::create(opened->tree, opened->name, folder, m_services.fileSystem)) package = *made;
    }
    if (!package) return alert(std::string(notOpenedTitle), "It is not a map this version of velk can read.");
    if (share) {
        // A place holds one share's copy: another share's entry naming it (that copy gone, its
        // name taken again) would open this map for the other link.
        std::erase_if(copies, [&](const auto& entry) { return entry.second == *package; });
        copies[share->id] = *package;
        m_services.defaults.setDictionary(sharedCopiesKey, copies);
    }
    m_services.trace([&] { return "OpenLinks: " + idOf(link) + " \u2192 " + *package; });
    show(*package);
}

void OpenLinks::alert(std::string title, std::string message, std::optional<std::string> page) {
    m_services.trace([&] { return "OpenLinks: " + title + " \u2014 " + message; });
    Alert shown{std::move(title), std::move(message), std::move(page)};
    m_services.present(shown, [owner = std::weak_ptr(m_self), page = shown.page, held = hold()](Choice choice) mutable {
        const auto done = std::move(held);
        const auto self = owner.lock();
        if (self && page && choice == Choice::showInBrowser) (*self)->m_services.workspace.openURL(*page);
    });
}

void OpenLinks::show(const std::string& package) {
    const bool window = m_services.openPackage(package);
    m_services.trace([&] {
        return "OpenLinks: opened " + PackagePlacement::lastComponent(package) + ": " + (window ? "window" : "no document");
    });
}

}  // namespace velk
