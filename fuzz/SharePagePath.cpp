// Request targets and texts from anyone, as the share service's pages read them: parsing must
// not crash; a media path must stay inside a media folder under a name the store could serve;
// escaped text must hold no markup character; and percent-encoding must decode to the text.

#include "FuzzCheck.h"
#include "package/Media.h"
#include "pages/Html.h"
#include "pages/PagePath.h"
#include "service/FormFields.h"

#include <variant>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velk::share;
    const std::string_view input = velk::fuzz::text(data, size);

    for (const std::string_view base : {"/", "/velk/"}) {
        const PagePath::Page page = PagePath::parse(input, base);
        if (const auto* media = std::get_if<PagePath::Media>(&page)) {
            const std::string_view path = media->path;
            const std::size_t slash = path.find('/');
            velk::fuzz::require(slash != path.npos, "a media path has a folder", input);
            const std::string_view folder = path.substr(0, slash);
            velk::fuzz::require(folder == "velk-media" || folder == "plovet-media", "a media path stays in a media folder", input);
            velk::fuzz::require(velk::Media::isServableName(path.substr(slash + 1)), "a media name is servable", input);
        }
        if (const auto* redirect = std::get_if<PagePath::Redirect>(&page)) {
            velk::fuzz::require(redirect->to.find_first_of("\r\n") == std::string::npos, "a redirect holds no line break", input);
            velk::fuzz::require(!redirect->to.starts_with("/"), "a redirect stays below the base", input);
        }
    }

    const std::string escaped = Html::escape(input);
    velk::fuzz::require(escaped.find_first_of("<>\"'") == std::string::npos, "escaped text holds no markup character", input);
    const std::string json = Html::scriptJSON(input);
    velk::fuzz::require(json.find_first_of("<>&") == std::string::npos, "script JSON holds no < > &", input);

    velk::fuzz::require(FormFields::percentDecoded(PagePath::queryEncoded(input), false) == std::string(input), "encoding decodes to the text", input);
    return 0;
}
