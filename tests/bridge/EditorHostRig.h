#pragma once

// An editor host over recording fakes: the web view, the workspace and the document write into
// one journal, the main queue runs only when told, and the HTTP client answers only when told.
// Link previews go through the real fetcher, whose names resolve through a small table.

#include "bridge/BridgeScript.h"
#include "bridge/EditorWebHost.h"
#include "json/OrderedJSON.h"
#include "platform/Journal.h"
#include "platform/ManualMainQueue.h"
#include "platform/RecordingTrace.h"
#include "platform/RecordingWebView.h"
#include "platform/RecordingWorkspace.h"
#include "platform/ScriptedHttpClient.h"
#include "shell/Beta.h"

#include <map>
#include <memory>
#include <string>

namespace velk::testing_support {

// Answers with what the test set, writing each call into the journal ("load", "save <compact
// body>", "storeMedia <type> <bytes>", "media <name> <directory>", "name", "goHome", "rename
// <name>", "saveAs").
class RecordingDocument final : public EditorDocumentHost {
public:
    explicit RecordingDocument(Journal& journal) : m_journal(journal) {}
    Expected<JSONValue, EditorDocumentError> editorLoad() override { return m_journal.write("load"), state; }
    Expected<std::int64_t, EditorDocumentError> editorSave(const JSONValue& body) override {
        return m_journal.write("save " + OrderedJSON::write(body, Pretty::no)), revision;
    }
    Expected<std::string, EditorDocumentError> editorStoreMedia(std::string_view bytes, std::string_view type) override {
        return m_journal.write("storeMedia " + std::string(type) + " " + std::string(bytes)), stored;
    }
    SharedBytes editorMedia(std::string_view name, std::string_view directory) override {
        m_journal.write("media " + std::string(name) + " " + std::string(directory));
        const auto found = media.find(std::string(directory) + "/" + std::string(name));
        return found == media.end() ? nullptr : std::make_shared<const std::string>(found->second);
    }
    std::optional<std::string> editorDocumentName() override { return m_journal.write("name"), name; }
    void editorGoHome() override { m_journal.write("goHome"); }
    Expected<void, EditorDocumentError> editorRename(std::string_view to) override { return m_journal.write("rename " + std::string(to)), renamed; }
    Expected<void, EditorDocumentError> editorSaveAs() override { return m_journal.write("saveAs"), savedAs; }
    Expected<void, EditorDocumentError> editorExport(bool selection) override {
        return m_journal.write(selection ? "export selection" : "export map"), Expected<void, EditorDocumentError>();
    }

    Expected<JSONValue, EditorDocumentError> state = JSONValue::object({});
    Expected<std::int64_t, EditorDocumentError> revision = 1;
    Expected<std::string, EditorDocumentError> stored = std::string("velk-media/0123456789abcdef.png");
    std::map<std::string, std::string> media;  // "directory/name" -> bytes
    std::optional<std::string> name;
    Expected<void, EditorDocumentError> renamed, savedAs;

private:
    Journal& m_journal;
};

// Implements only what every document must, so that the defaults of the rest show.
class BareDocument final : public EditorDocumentHost {
public:
    Expected<JSONValue, EditorDocumentError> editorLoad() override { return JSONValue::null(); }
    Expected<std::int64_t, EditorDocumentError> editorSave(const JSONValue&) override { return 1; }
    Expected<std::string, EditorDocumentError> editorStoreMedia(std::string_view, std::string_view) override { return std::string("x"); }
    SharedBytes editorMedia(std::string_view, std::string_view) override { return nullptr; }
};

struct EditorHostRig {
    Journal journal;
    RecordingWebView view{journal};
    ManualMainQueue queue;
    ScriptedHttpClient http;
    // Hosts are looked up at once, on the test's thread: only the queue decides when answers come.
    LinkPreviewFetcher previews{http,
                                [](std::string_view host) -> std::vector<std::string> {
                                    if (host == "pages.example") return {"93.184.216.34"};
                                    return host == "private.example" ? std::vector<std::string>{"10.0.0.5"} : std::vector<std::string>{};
                                },
                                {}, [](std::function<void()> job) { job(); }};
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

// The script that answers request `id`: the frame written out, the JSON inside escaped as the
// quoting tests show it must be.
inline std::string replyScript(std::int64_t id, const std::string& json) {
    return "evaluate: window.__velkReply && window.__velkReply(" + std::to_string(id) + ", JSON.parse(" + BridgeScript::quote(json) + "))";
}
inline std::string okReply(std::int64_t id, const std::string& value = "null") { return replyScript(id, R"({"ok":true,"value":)" + value + "}"); }
// `message` as it stands in the JSON.
inline std::string errorReply(std::int64_t id, const std::string& message) { return replyScript(id, R"({"ok":false,"error":")" + message + "\"}"); }

}  // namespace velk::testing_support
