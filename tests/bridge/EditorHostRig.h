#pragma once

// An editor host over recording fakes: the web view, the workspace and the document write into
// one journal, the main queue runs only when told, and the HTTP client answers only when told.
// Link previews go through the real fetcher, whose names resolve through a small table.

#include "bridge/EditorWebHost.h"
#include "bridge/RecordingDocument.h"
#include "platform/Journal.h"
#include "platform/ManualMainQueue.h"
#include "platform/RecordingTrace.h"
#include "platform/RecordingWebView.h"
#include "platform/RecordingWorkspace.h"
#include "platform/ScriptedHttpClient.h"
#include "shell/Beta.h"

#include <memory>
#include <string>

namespace velk::testing_support {

inline std::vector<std::string> resolveByTable(std::string_view host) {
    if (host == "pages.example") return {"93.184.216.34"};
    if (host == "private.example") return {"10.0.0.5"};
    return {};
}

struct EditorHostRig {
    Journal journal;
    RecordingWebView view{journal};
    ManualMainQueue queue;
    ScriptedHttpClient http;
    LinkPreviewFetcher previews{http, resolveByTable};
    RecordingWorkspace workspace{journal};
    RecordingTrace trace;
    std::shared_ptr<RecordingDocument> document = std::make_shared<RecordingDocument>(journal);
    std::shared_ptr<EditorWebHost> host = makeHost(document);

    std::shared_ptr<EditorWebHost> makeHost(std::weak_ptr<EditorDocumentHost> of) {
        EditorWebHost::FeedbackLink feedback = [](std::optional<std::string_view> message) {
            return Beta::feedbackURL("https://share.velk.example/", "linux", "0.1.0", "t-0123456789ab", message);
        };
        return EditorWebHost::make(std::make_shared<const std::string>("<p>editor</p>"), std::move(of),
                                   {view, queue, http, previews, workspace, feedback, trace.sink()});
    }

    // Posts `text` to the request handler from the editor page's main frame.
    void post(std::string text) { host->receive({"velk", WebMessage::BodyKind::text, std::move(text), true, "velk-app"}); }

    [[nodiscard]] const std::vector<std::string>& events() const { return journal.events; }
    [[nodiscard]] const std::vector<std::string>& traced() const { return *trace.lines; }
};

}  // namespace velk::testing_support
