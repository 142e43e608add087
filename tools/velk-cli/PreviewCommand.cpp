// velk-cli preview: fetches the link preview of a URL the way the editor does, under the same
// address policy, and prints the card the editor would receive. The image reference in the card
// is the media path the editor would store the page's image under; --image-out writes the image
// itself to a file.

#include "CommandLine.h"

#include "json/OrderedJSON.h"
#include "package/Media.h"
#include "platform/CurlHttpClient.h"
#include "preview/LinkPreviewFetcher.h"

#include <cerrno>
#include <cstring>
#include <future>
#include <memory>
#include <optional>
#include <string>

namespace velk::cli {

namespace {

struct PreviewArguments {
    std::string_view link;
    std::optional<std::string_view> imageOut;
};

std::optional<PreviewArguments> parseArguments(std::span<const std::string_view> arguments) {
    PreviewArguments parsed;
    bool haveLink = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--image-out" && i + 1 < arguments.size() && !parsed.imageOut) {
            parsed.imageOut = arguments[++i];
        } else if (!arguments[i].starts_with("-") && !haveLink) {
            parsed.link = arguments[i];
            haveLink = true;
        } else {
            return std::nullopt;
        }
    }
    if (!haveLink) return std::nullopt;
    return parsed;
}

bool writeFile(std::string_view path, std::string_view bytes) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(std::string(path).c_str(), "wb"), std::fclose);
    return file && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size() && std::fflush(file.get()) == 0;
}

}  // namespace

int runPreview(std::span<const std::string_view> arguments, const Streams& streams) {
    const auto parsed = parseArguments(arguments);
    if (!parsed) {
        std::fputs("usage: velk-cli preview URL [--image-out FILE]\n", streams.err);
        return 2;
    }

    CurlHttpClient::Options options;
    options.userAgent = LinkPreview::userAgent;
    CurlHttpClient client(options);
    LinkPreviewFetcher fetcher(client);
    std::promise<LinkPreviewFetcher::Result> done;
    fetcher.fetch(parsed->link, [&done](LinkPreviewFetcher::Result fetched) { done.set_value(std::move(fetched)); });
    // The fetcher's own time-outs and redirect limit bound this wait.
    const LinkPreviewFetcher::Result result = done.get_future().get();
    if (!result) {
        std::fprintf(streams.err, "%s\n", result.error().description().c_str());
        return 1;
    }

    std::optional<std::string> reference;
    if (const auto& image = result->image) {
        const auto extension = Media::extensionForType(image->type);
        reference = std::string(Media::directory) + "/" + Media::contentName(image->data, extension.value_or(""));
        if (parsed->imageOut && !writeFile(*parsed->imageOut, image->data)) {
            std::fprintf(streams.err, "velk-cli: cannot write %.*s: %s\n", int(parsed->imageOut->size()),
                         parsed->imageOut->data(), std::strerror(errno));
            return 1;
        }
    }
    const std::string card = OrderedJSON::write(LinkPreview::card(result->meta, reference), Pretty::yes);
    std::fwrite(card.data(), 1, card.size(), streams.out);
    return std::fflush(streams.out) == 0 ? 0 : 1;
}

}  // namespace velk::cli
