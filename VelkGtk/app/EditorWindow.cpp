#include "EditorWindow.h"

#include "app/ClosingStep.h"
#include "app/PrimaryMenu.h"
#include "bridge/EditorPageContract.h"

#include <gtkmm/eventcontrollerkey.h>
#include <gtkmm/headerbar.h>
#include <gtkmm/messagedialog.h>
#include <glibmm/fileutils.h>
#include <glibmm/main.h>

#include <string>

namespace velk {

namespace {

std::string sizeText(WindowSize size) {
    return std::to_string(static_cast<int>(size.width)) + " x " + std::to_string(static_cast<int>(size.height));
}

}  // namespace

EditorWindow::EditorWindow(std::shared_ptr<VelkDocument> document, SharedBytes editorPage, Services services,
                           EditorWindowShell& shell, WindowSizeMemory::Opening size)
    : m_document(std::move(document)),
      m_shell(shell),
      m_sizeOpening(size),
      m_editedMark(services.mainQueue, [this] { updateTitle(); }) {
    const TraceSink trace = services.trace;
    trace([] { return std::string("makeWindowControllers: enter"); });
    auto tracing = services.trace.enabled() ? Tracing::on : Tracing::off;
    m_binding = std::make_unique<WebKitWebViewBinding>(EditorWebConfiguration::make(tracing), services.mainQueue);
    m_host = EditorWebHost::make(std::move(editorPage), m_document,
                                 {*m_binding, services.mainQueue, services.http, services.previews,
                                  services.workspace, std::move(services.feedbackURL), std::move(services.trace),
                                  std::move(services.shareBase)});
    m_binding->attach(m_host);

    set_default_size(static_cast<int>(size.size.width), static_cast<int>(size.size.height));
    set_size_request(minimumWidth, minimumHeight);
    trace([&] {
        return "makeWindowControllers: window " + sizeText(size.size) +
               " restoredFrame=" + (size.restored ? "true" : "false");
    });
    gtk_window_set_child(GTK_WINDOW(gobj()), m_binding->widget());
    set_show_menubar(false);
    auto* bar = Gtk::make_managed<Gtk::HeaderBar>();
    bar->pack_end(*makePrimaryMenuButton(services.menu));
    set_titlebar(*bar);

    // Escape means nothing to the window itself; the page has its own uses for it.
    auto keys = Gtk::EventControllerKey::create();
    keys->set_propagation_phase(Gtk::PropagationPhase::BUBBLE);
    keys->signal_key_pressed().connect([](guint key, guint, Gdk::ModifierType) { return key == GDK_KEY_Escape; },
                                       false);
    add_controller(keys);

    addActions();
    m_document->showIn(this, m_host);
    documentDidChange();
    m_host->loadEditor();
    trace([] { return std::string("makeWindowControllers: exit"); });
}

EditorWindow::~EditorWindow() {
    m_document->showIn(nullptr, {});
    // The host goes before the binding it uses as its view.
    m_host.reset();
}

std::optional<WindowSize> EditorWindow::rememberedSize() const {
    if (is_maximized() || is_fullscreen()) return std::nullopt;
    // The size the window was given and was resized to, as set_default_size takes it back: the
    // allocated size leaves out what the decorations take, and each close shrank the window.
    int width = 0, height = 0;
    get_default_size(width, height);
    if (width <= 0 || height <= 0) return std::nullopt;
    return WindowSize{static_cast<double>(width), static_cast<double>(height)};
}

void EditorWindow::documentDidChange() {
    const DocumentStatus status = m_document->status();
    m_editedMark.update(status);
    updateTitle();
    // Whatever gave the package its place (opening it, a menu command, the page's rename), the
    // recent maps follow; a place that still holds a package (after Save As) keeps its entry.
    if (!status.draft && status.folder != m_shownFolder) {
        const bool oldPlaceGone = !m_shownFolder.empty() && !Glib::file_test(m_shownFolder, Glib::FileTest::EXISTS);
        m_shell.documentPlaced(oldPlaceGone ? m_shownFolder : std::string(), status.folder);
    }
    m_shownFolder = status.draft ? std::string() : status.folder;
}

void EditorWindow::updateTitle() { set_title(editorWindowTitle(m_document->status(), m_editedMark.shown())); }

void EditorWindow::presentAlert(std::string message, std::string detail) {
    auto alert = std::make_unique<Gtk::MessageDialog>(*this, message, false, Gtk::MessageType::ERROR,
                                                      Gtk::ButtonsType::CLOSE, false);
    alert->set_secondary_text(detail);
    auto& shown = m_dialogs.show(std::move(alert));
    shown.signal_response().connect([this, &shown](int) { m_dialogs.dismiss(shown); });
}

void EditorWindow::showStartWindow() { m_shell.showStartWindow(); }

bool EditorWindow::on_close_request() {
    constexpr bool keepOpen = true;
    if (m_closeDecided) return letClose();
    if (waitForPageChanges()) return keepOpen;
    // A close that does not happen now (a question, a failed write) asks the page again next time.
    m_pageChanges = PageChanges::notAsked;
    // Edits velk refused to save are only in the page, which goes with the window.
    if (const auto& refused = m_document->refusedEdits()) {
        askAfterFailedSave(*refused, [this] {
            m_document->dropRefusedEdits();
            close();
        });
        return keepOpen;
    }
    switch (closingStep(m_document->status())) {
    case ClosingStep::discardThenClose:
        m_document->discardDraft();
        return letClose();
    case ClosingStep::askWhereToSave:
        askBeforeClosingDraft();
        return keepOpen;
    case ClosingStep::writeThenClose:
        // Closing right after an edit must lose nothing: write before the window goes.
        if (auto closed = m_document->close(); !closed) {
            askAfterFailedSave(closed.error().description(), [this] { closeNow(); });
            return keepOpen;
        }
        return letClose();
    }
    return keepOpen;
}

bool EditorWindow::waitForPageChanges() {
    if (m_pageChanges == PageChanges::received) return false;
    if (m_pageChanges == PageChanges::waiting) return true;
    // A page that never loaded the document holds no changes of it.
    if (!m_document->wasLoadedByEditor()) return false;
    m_pageChanges = PageChanges::waiting;
    // A close called off and asked for again waits for its own answer, not the first one's. A
    // page busy past the limit is asked about: closing then would drop its last changes unseen.
    const unsigned attempt = ++m_closeAttempts;
    afterPageChanges(
        [this, attempt] {
            dismissBusyQuestion();
            if (m_pageChanges != PageChanges::waiting || attempt != m_closeAttempts) return;
            m_pageChanges = PageChanges::received;
            close();
        },
        [this, attempt] {
            if (m_pageChanges == PageChanges::waiting && attempt == m_closeAttempts) askWhilePageIsBusy(attempt);
        });
    return true;
}

void EditorWindow::askWhilePageIsBusy(unsigned attempt) {
    enum Answer { closeAnywayAnswer = 1 };
    auto question = std::make_unique<Gtk::MessageDialog>(
        *this, "\u201c" + m_document->displayName() + "\u201d is still busy", false, Gtk::MessageType::WARNING,
        Gtk::ButtonsType::NONE, true);
    question->set_secondary_text(
        "Its last changes have not reached velk yet. If you close the window now, they may be lost.");
    question->add_button("Close Anyway", closeAnywayAnswer);
    question->add_button("Cancel", Gtk::ResponseType::CANCEL);
    question->set_default_response(Gtk::ResponseType::CANCEL);
    auto& shown = m_dialogs.show(std::move(question));
    m_busyQuestion = &shown;
    shown.signal_response().connect([this, attempt](int response) {
        dismissBusyQuestion();
        if (m_pageChanges != PageChanges::waiting || attempt != m_closeAttempts) return;
        if (response != closeAnywayAnswer) return callOffClose();
        m_pageChanges = PageChanges::received;
        close();
    });
}

void EditorWindow::dismissBusyQuestion() {
    if (m_busyQuestion) m_dialogs.dismiss(*std::exchange(m_busyQuestion, nullptr));
}

void EditorWindow::callOffClose() {
    if (m_pageChanges != PageChanges::waiting) return;
    m_pageChanges = PageChanges::notAsked;
    m_shell.closeDeclined();
}

void EditorWindow::afterPageChanges(std::function<void()> then, std::function<void()> slow) {
    if (!m_document->wasLoadedByEditor()) {
        then();
        return;
    }
    auto pending = std::make_shared<std::function<void()>>(std::move(then));
    auto limit = std::make_shared<sigc::connection>();
    auto settle = [pending, limit] {
        if (!*pending) return;
        limit->disconnect();
        std::exchange(*pending, nullptr)();
    };
    const std::string flush(EditorPageContract::flushFunction);
    m_binding->callAsyncFunction("if (" + flush + ") await " + flush + "();", settle);
    *limit = Glib::signal_timeout().connect(
        [settle, slow = std::move(slow), alive = std::weak_ptr<int>(m_lifetime)] {
            if (alive.expired()) return false;
            if (slow) slow();
            else settle();
            return false;
        },
        pageChangesLimitMs);
}

bool EditorWindow::letClose() {
    m_closed = true;
    m_shell.windowClosing(*this);
    return false;
}

void EditorWindow::closeNow() {
    m_closeDecided = true;
    close();
}

void EditorWindow::askBeforeClosingDraft() {
    enum Answer { discard = 1 };
    auto question = std::make_unique<Gtk::MessageDialog>(
        *this, "Save changes to \u201c" + m_document->displayName() + "\u201d before closing?", false,
        Gtk::MessageType::QUESTION, Gtk::ButtonsType::NONE, true);
    question->set_secondary_text("If you don\u2019t save, this map will be permanently lost.");
    question->add_button("Close without Saving", discard);
    question->add_button("Cancel", Gtk::ResponseType::CANCEL);
    question->add_button("Save\u2026", Gtk::ResponseType::ACCEPT);
    question->set_default_response(Gtk::ResponseType::ACCEPT);
    auto& shown = m_dialogs.show(std::move(question));
    shown.signal_response().connect([this, &shown](int response) {
        m_dialogs.dismiss(shown);
        if (response == discard) {
            m_document->discardDraft();
            closeNow();
        } else if (response == Gtk::ResponseType::ACCEPT) {
            runSaveAs([this] { closeNow(); });
        } else {
            m_shell.closeDeclined();
        }
    });
}

void EditorWindow::askAfterFailedSave(const std::string& reason, std::function<void()> closeAnyway) {
    enum Answer { closeAnywayAnswer = 1 };
    auto question = std::make_unique<Gtk::MessageDialog>(
        *this, "\u201c" + m_document->displayName() + "\u201d could not be saved", false, Gtk::MessageType::ERROR,
        Gtk::ButtonsType::NONE, true);
    question->set_secondary_text(reason +
                                 "\n\nIf you close the window now, the changes that were not saved are lost.");
    question->add_button("Close Anyway", closeAnywayAnswer);
    question->add_button("Cancel", Gtk::ResponseType::CANCEL);
    question->set_default_response(Gtk::ResponseType::CANCEL);
    auto& shown = m_dialogs.show(std::move(question));
    shown.signal_response().connect([this, &shown, closeAnyway = std::move(closeAnyway)](int response) {
        m_dialogs.dismiss(shown);
        if (response == closeAnywayAnswer) closeAnyway();
        else m_shell.closeDeclined();
    });
}

}  // namespace velk
