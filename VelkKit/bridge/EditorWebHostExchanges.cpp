// The editor host's network exchanges: publishing and withdrawing shares, and link previews.
// Each completes on a thread of the client's own and hops back to the main queue; the host is
// held weakly all the way, so an answer that finds the host gone is dropped.

#include "bridge/EditorWebHost.h"
#include "bridge/PayloadMembers.h"
#include "preview/PageMetadata.h"
#include "share/ShareLinks.h"

namespace velk {

void EditorWebHost::startShare(std::int64_t id, const std::optional<JSONValue>& payload, EditorDocumentHost& document) {
    // A null state is still a state: the service decides what to make of it.
    const auto state = PayloadMembers::member(payload, "state");
    if (!state) {
        reply(id, BridgeReply::error("share needs a `state`"));
        return;
    }
    const std::string name = PayloadMembers::string(payload, "name").value_or("Shared map");
    // The copy others open has only what the body carries, so the images the maps show go along.
    const auto media = ShareMedia::collect(*state, [&document](std::string_view file, std::string_view directory) {
        return document.editorMedia(file, directory);
    });
    if (!media) {
        m_services.trace([&] {
            const auto* file = std::get_if<ShareMedia::Error::FileTooLarge>(&media.error().value());
            return "share: not sent, " + (file ? file->path + " is over the single-file limit" : std::string("the images are over the total limit"));
        });
        reply(id, BridgeReply::error(media.error().description()));
        return;
    }
    for (const std::string& missing : media->missing) {
        m_services.trace([&] { return "share: " + missing + " is not in the package; shared without it"; });
    }
    send(ShareLinks::publishRequest(name, *state, media->files, m_services.shareBase), id);
}

void EditorWebHost::startUnshare(std::int64_t id, const std::optional<JSONValue>& payload) {
    const auto shareID = PayloadMembers::string(payload, "id");
    const auto token = PayloadMembers::string(payload, "token");
    auto request = shareID && token ? ShareLinks::stopRequest(*shareID, *token, m_services.shareBase) : std::nullopt;
    if (!request) {
        reply(id, BridgeReply::error("unshare needs an `id` and a `token`"));
        return;
    }
    send(std::move(*request), id);
}

void EditorWebHost::send(HttpRequest request, std::int64_t id) {
    MainQueue& mainQueue = m_services.mainQueue;
    auto completion = [weakHost = weak_from_this(), &mainQueue, id, page = m_page, base = m_services.shareBase](HttpClient::Result result) {
        // The answer is worked out here, off the main thread; only the reply needs the host.
        BridgeReply answer = result ? ShareLinks::reply(result->status, result->body, std::nullopt, base)
                                    : ShareLinks::reply(0, std::nullopt, result.error().description(), base);
        mainQueue.runSoon([weakHost, id, page, answer = std::move(answer)] {
            if (const auto host = weakHost.lock()) host->replyToPage(page, id, answer);
        });
    };
    m_services.http.perform(std::move(request), std::move(completion));
}

void EditorWebHost::startPreview(std::int64_t id, const std::optional<JSONValue>& payload) {
    const auto url = PayloadMembers::string(payload, "url");
    if (!url) {
        reply(id, BridgeReply::error("preview needs a `url`"));
        return;
    }
    // fetch() returns at once, the host's lookup included; the answer comes on another thread
    // (or, with a fetcher that looks up in place, before fetch() returns), and going through
    // the queue keeps it after this request's handling in every case.
    MainQueue& mainQueue = m_services.mainQueue;
    m_services.previews.fetch(*url, [weakHost = weak_from_this(), &mainQueue, id, page = m_page](LinkPreviewFetcher::Result result) {
        mainQueue.runSoon([weakHost, id, page, result = std::move(result)] {
            if (const auto host = weakHost.lock()) host->finishPreview(page, id, result);
        });
    });
}

void EditorWebHost::finishPreview(std::uint64_t page, std::int64_t id, const LinkPreviewFetcher::Result& result) {
    if (!result) {
        replyToPage(page, id, BridgeReply::error(result.error().description()));
        return;
    }
    // The card is worth having without its image: a document that is gone, or refuses the
    // image, just leaves it out.
    std::optional<std::string> stored;
    // For a page loaded again since, no card will show it: the image would only lie in the package.
    if (result->image && page == m_page) {
        if (const auto document = m_document.lock()) {
            auto path = document->editorStoreMedia(result->image->data, result->image->type);
            if (path) stored = std::move(*path);
        }
    }
    replyToPage(page, id, BridgeReply::ok(LinkPreview::card(result->meta, stored)));
}

void EditorWebHost::replyToPage(std::uint64_t page, std::int64_t id, const BridgeReply& answer) {
    if (page == m_page) {
        reply(id, answer);
        return;
    }
    m_services.trace([&] { return "bridge: reply #" + std::to_string(id) + " dropped: the page was loaded again since"; });
}

}  // namespace velk
