// What the editor host does with its web view outside the request bridge: loading the page,
// pushing names and change notices, where the view may go, new windows, navigation notices,
// a dead content process, the scheme's answers and the view's configuration.

#include "bridge/BridgeBootstrap.h"
#include "bridge/EditorHostRig.h"
#include "bridge/EditorNavigation.h"
#include "bridge/EditorWebConfiguration.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using testing_support::EditorHostRig;
using Lines = std::vector<std::string>;
using URL = std::optional<std::string>;

TEST(EditorHostView, LoadsThePageAndPushesNamesAndChangeNotices) {
    EditorHostRig rig;
    rig.host->loadEditor();
    rig.host->setDocumentName("Delta </script>");
    rig.host->notifyChanged(4, "file");
    EXPECT_EQ(rig.events(), (Lines{"load: velk-app://editor/index.html 60000ms",
                                   R"(evaluate: window.__velkSetName && window.__velkSetName("Delta \u003c/script>"))",
                                   R"(evaluate: window.__velkChanged && window.__velkChanged(JSON.parse("{\"rev\":4,\"origin\":\"file\"}")))"}));
}

TEST(EditorHostNavigation, TheViewStaysOnTheEditorPageAndWebLinksGoToTheBrowser) {
    using Action = EditorNavigation::Action;
    const std::pair<URL, Action> cases[] = {
        {std::nullopt, Action::cancel}, {"velk-app://editor/index.html", Action::allow}, {"velk-app://editor/", Action::allow},
        {"VELK-APP://editor/index.html#/?z=0.5&x=1&y=2", Action::allow}, {"velk-app://editor/index.html?x=1", Action::allow},
        {"velk-app://editor/%69ndex.html", Action::allow}, {"velk-app://editor", Action::refuse}, {"velk-app://editor/index.htm", Action::refuse},
        {"velk-app://editor/velk-media/a.png", Action::refuse}, {"https://example.com/", Action::openExternally},
        {"mailto:someone@example.com", Action::openExternally}, {"about:blank", Action::openExternally}, {"no scheme here", Action::openExternally},
    };
    for (const auto& [url, action] : cases) EXPECT_EQ(EditorNavigation::decide(url), action) << url.value_or("(none)");

    EditorHostRig rig;
    EXPECT_EQ(rig.host->decideNavigation("velk-app://editor/index.html"), NavigationPolicy::allow);
    for (const URL& url : {URL(), URL("velk-app://editor/secret.html"),
                                                 URL("https://example.com/a?b=c"), URL("HTTP://example.com/"),
                                                 URL("mailto:someone@example.com"), URL("file:///etc/passwd")}) {
        EXPECT_EQ(rig.host->decideNavigation(url), NavigationPolicy::cancel) << url.value_or("(none)");
    }
    // New windows are never made, but a web link they were for opens in the browser.
    for (const URL& url : {URL(), URL("velk-app://editor/index.html"),
                            URL("https://example.com/"), URL("javascript:alert(1)")}) {
        rig.host->refuseNewWindow(url);
    }
    EXPECT_EQ(rig.events(), (Lines{"open: https://example.com/a?b=c", "open: HTTP://example.com/", "open: https://example.com/"}));
    EXPECT_EQ(rig.traced(), Lines{"web: refused navigation to velk-app://editor/secret.html"});
}

TEST(EditorHostNavigation, NoticesAreTracedAndADeadContentProcessReloadsThePage) {
    EditorHostRig rig;
    rig.host->didFinishNavigation();
    rig.view.shownURL = "velk-app://editor/index.html";
    rig.host->didFinishNavigation();
    rig.host->didFailNavigation("Load request cancelled");
    rig.host->didFailProvisionalNavigation("Unsupported URL");
    rig.host->webContentProcessTerminated();
    EXPECT_EQ(rig.traced(), (Lines{"web: didFinish -", "web: didFinish velk-app://editor/index.html", "web: didFail Load request cancelled",
                                   "web: didFailProvisional Unsupported URL", "web: WebContent process TERMINATED \u2014 reloading"}));
    EXPECT_EQ(rig.events(), Lines{"reload"});
}

TEST(EditorHostScheme, ServesThePageAndTheDocumentsImagesWhileItIsThere) {
    EditorHostRig rig;
    rig.document->media["velk-media/a.png"] = "png bytes";
    EXPECT_EQ(*rig.host->answerScheme("velk-app://editor/index.html").value().body, "<p>editor</p>");
    EXPECT_EQ(*rig.host->answerScheme("velk-app://editor/velk-media/a.png").value().body, "png bytes");
    EXPECT_EQ(rig.events(), Lines{"media a.png velk-media"});
    rig.document.reset();
    EXPECT_EQ(rig.host->answerScheme("velk-app://editor/velk-media/a.png"), (Unexpected<SchemeHandler::URLError>(SchemeHandler::URLError{-1100})));
    EXPECT_TRUE(rig.host->answerScheme("velk-app://editor/").has_value());
}

TEST(EditorWebConfiguration, TheLogForwarderOnlyWhenTracing) {
    const auto off = EditorWebConfiguration::make(Tracing::off);
    EXPECT_EQ(off.scheme, "velk-app");
    EXPECT_EQ(off.userScripts, Lines{"window.VELK_NATIVE = true;"});
    EXPECT_EQ(off.messageHandlers, Lines{"velk"});
    EXPECT_TRUE(!off.suppressesIncrementalRendering && off.pageScriptsAllowed && !off.linkPreviews);
    const auto on = EditorWebConfiguration::make(Tracing::on);
    EXPECT_EQ(on.userScripts, (Lines{"window.VELK_NATIVE = true;", std::string(BridgeBootstrap::logForwardingScript)}));
    EXPECT_EQ(on.messageHandlers, (Lines{"velk", "velkLog"}));
}

}  // namespace
}  // namespace velk
