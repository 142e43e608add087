#pragma once

// A window that edits one map package: the editor page in a WebKit view, served and answered by
// the window's EditorWebHost on behalf of its VelkDocument. The title shows the map's name and
// whether it holds anything the user could lose. Closing the window writes what the document
// still holds; a draft with content first asks where to save it.
//
// The title bar is a header bar with the map's name and the primary menu (F10).
//
// Ownership: the window owns the document, the view binding and the host; the host refers to the
// binding as its WebView and to the document weakly, so the host goes first, then the binding,
// then the document. The shell (the application) outlives its windows. Main thread only.

#include "app/EditedMark.h"
#include "app/EditorWindowShell.h"
#include "app/OwnedDialogs.h"
#include "app/WindowSizeMemory.h"
#include "bridge/EditorWebHost.h"
#include "document/DocumentWindow.h"
#include "document/VelkDocument.h"
#include "export/ExportChooser.h"
#include "platform/WebKitWebViewBinding.h"

#include <gtkmm/applicationwindow.h>
#include <gtkmm/filechoosernative.h>

#include <functional>
#include <memory>
#include <optional>

namespace velk {

class EditorWindow final : public Gtk::ApplicationWindow, public DocumentWindow {
public:
    static constexpr int minimumWidth = static_cast<int>(WindowSizeMemory::minimum.width);
    static constexpr int minimumHeight = static_cast<int>(WindowSizeMemory::minimum.height);

    // What every editor window shares, owned by the application.
    struct Services {
        MainQueue& mainQueue;
        HttpClient& http;
        LinkPreviewFetcher& previews;
        Workspace& workspace;
        EditorWebHost::FeedbackLink feedbackURL;
        TraceSink trace;
        // The menu the header bar's primary menu button holds.
        Glib::RefPtr<Gio::MenuModel> menu;
        std::string shareBase;  // where the page's shares go
    };

    EditorWindow(std::shared_ptr<VelkDocument> document, SharedBytes editorPage, Services services,
                 EditorWindowShell& shell, WindowSizeMemory::Opening size);
    ~EditorWindow() override;

    [[nodiscard]] VelkDocument& document() const noexcept { return *m_document; }
    [[nodiscard]] WebKitWebViewBinding& webView() const noexcept { return *m_binding; }
    // True once the window agreed to close; GTK destroys it then, and the application soon after.
    [[nodiscard]] bool hasClosed() const noexcept { return m_closed; }
    [[nodiscard]] const WindowSizeMemory::Opening& sizeOpening() const noexcept { return m_sizeOpening; }
    // The size to remember: absent while maximized, when the window's own size is not the user's.
    [[nodiscard]] std::optional<WindowSize> rememberedSize() const;
    // Asks the page to send the edits it holds back (it saves a moment after the last change),
    // then runs `then` once, when they have reached velk or after a limit; never once the window
    // is gone. With `slow`, the limit runs that instead, and `then` still waits for the page.
    void afterPageChanges(std::function<void()> then, std::function<void()> slow = {});
    // The user asked for this map again while the window waited for the page to close: it stays.
    void callOffClose();

    void documentDidChange() override;
    void presentAlert(std::string message, std::string detail) override;
    void runSaveAs() override;
    void runExport(bool selection) override;
    void showStartWindow() override;

private:
    using AfterSave = std::function<void()>;

    bool on_close_request() override;
    // True while the window waits for the page to send what it has not saved yet.
    bool waitForPageChanges();
    // Tells the shell the window goes, and lets GTK close it.
    bool letClose();
    void addActions();
    void addEditActions();
    void updateTitle();
    void runSaveAs(AfterSave afterSaved);
    void save();
    void runMoveTo();
    void runRename();
    void revert();
    void askBeforeClosingDraft();
    // Close Anyway runs `closeAnyway`; Cancel keeps the window.
    void askAfterFailedSave(const std::string& reason, std::function<void()> closeAnyway);
    // The page has not sent its last changes within the limit: close without them, or not now.
    void askWhilePageIsBusy(unsigned attempt);
    void dismissBusyQuestion();
    void closeNow();
    void evaluateEditCommand(std::string_view command);

    std::shared_ptr<VelkDocument> m_document;
    std::unique_ptr<WebKitWebViewBinding> m_binding;
    std::shared_ptr<EditorWebHost> m_host;
    EditorWindowShell& m_shell;
    WindowSizeMemory::Opening m_sizeOpening;
    EditedMark m_editedMark;
    OwnedDialogs m_dialogs;
    Glib::RefPtr<Gtk::FileChooserNative> m_chooser;
    ExportChooser m_exportChooser;
    // Held by the window only: an export (a PDF prints on after the page answered) that ends
    // after the window went finds it expired.
    std::shared_ptr<int> m_lifetime = std::make_shared<int>();
    // The page saves a moment after the last change; a close waits for that save, up to a limit,
    // so typing in the last moment before closing reaches the disk too.
    static constexpr unsigned pageChangesLimitMs = 2000;
    enum class PageChanges { notAsked, waiting, received };
    PageChanges m_pageChanges = PageChanges::notAsked;
    unsigned m_closeAttempts = 0;
    Gtk::Window* m_busyQuestion = nullptr;  // shown by m_dialogs
    bool m_closeDecided = false;
    bool m_closed = false;
    std::string m_shownFolder;  // the package folder last shown; empty for a draft
};

}  // namespace velk
