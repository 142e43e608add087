// What the editor host does with its web view outside the request bridge: loading the page,
// pushing names and change notices, where the view may go, new windows, navigation notices,
// a dead content process, the scheme's answers and the view's configuration.

#include "bridge/EditorHostRig.h"
#include "bridge/BridgeBootstrap.h"
#include "bridge/EditorNavigation.h"
#include "bridge/EditorWebConfiguration.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using testing_support::EditorHostRig;
using Events = std::vector<std::string>;
using Lines = std::vector<std::string>;

TEST(EditorHostView, LoadsTheEditorPageWithASixtySecondTimeOut) {
    EditorHostRig rig;
    rig.host->loadEditor();
    EXPECT_EQ(rig.events(), Events{"load: velk-app://editor/index.html 60000ms"});
}

TEST(EditorHostView, PushesNamesAndChangeNotices) {
    EditorHostRig rig;
    rig.host->setDocumentName("Delta </script>");
    rig.host->notifyChanged(4, "file");
    EXPECT_EQ(rig.events(),
              (Events{R"(evaluate: window.__velkSetName && window.__velkSetName("Delta \u003c/script>"))",
                      R"(evaluate: window.__velkChanged && window.__velkChanged(JSON.parse("{\"rev\":4,\"origin\":\"file\"}")))"}));
}

TEST(EditorHostNavigation, TheViewStaysOnTheEditorPage) {
    using Action = EditorNavigation::Action;
    struct Case {
        std::optional<std::string> url;
        Action action;
    };
    const Case cases[] = {
        {std::nullopt, Action::cancel},
        {"velk-app://editor/index.html", Action::allow},
        {"velk-app://editor/", Action::allow},
        {"VELK-APP://editor/index.html#/?z=0.5&x=1&y=2", Action::allow},
        {"velk-app://editor/index.html?x=1", Action::allow},
        {"velk-app://editor/%69ndex.html", Action::allow},
        {"velk-app://editor", Action::refuse},
        {"velk-app://editor/index.htm", Action::refuse},
        {"velk-app://editor/velk-media/a.png", Action::refuse},
        {"https://example.com/", Action::openExternally},
        {"mailto:someone@example.com", Action::openExternally},
        {"about:blank", Action::openExternally},
        {"no scheme here", Action::openExternally},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url.value_or("(none)"));
        EXPECT_EQ(EditorNavigation::decide(c.url), c.action);
    }
}

TEST(EditorHostNavigation, WebLinksGoToTheBrowserAndOtherPlacesAreTraced) {
    EditorHostRig rig;
    EXPECT_EQ(rig.host->decideNavigation("velk-app://editor/index.html"), NavigationPolicy::allow);
    EXPECT_EQ(rig.host->decideNavigation(std::nullopt), NavigationPolicy::cancel);
    EXPECT_EQ(rig.host->decideNavigation("velk-app://editor/secret.html"), NavigationPolicy::cancel);
    EXPECT_EQ(rig.host->decideNavigation("https://example.com/a?b=c"), NavigationPolicy::cancel);
    EXPECT_EQ(rig.host->decideNavigation("HTTP://example.com/"), NavigationPolicy::cancel);
    EXPECT_EQ(rig.host->decideNavigation("mailto:someone@example.com"), NavigationPolicy::cancel);
    EXPECT_EQ(rig.host->decideNavigation("file:///etc/passwd"), NavigationPolicy::cancel);
    EXPECT_EQ(rig.events(), (Events{"open: https://example.com/a?b=c", "open: HTTP://example.com/"}));
    EXPECT_EQ(rig.traced(), Lines{"web: refused navigation to velk-app://editor/secret.html"});
}

TEST(EditorHostNavigation, NewWindowsAreNeverMadeButWebLinksOpenInTheBrowser) {
    EditorHostRig rig;
    rig.host->refuseNewWindow(std::nullopt);
    rig.host->refuseNewWindow("velk-app://editor/index.html");
    rig.host->refuseNewWindow("https://example.com/");
    rig.host->refuseNewWindow("javascript:alert(1)");
    EXPECT_EQ(rig.events(), Events{"open: https://example.com/"});
}

TEST(EditorHostNavigation, NoticesAreTraced) {
    EditorHostRig rig;
    rig.host->didFinishNavigation();
    rig.view.shownURL = "velk-app://editor/index.html";
    rig.host->didFinishNavigation();
    rig.host->didFailNavigation("Load request cancelled");
    rig.host->didFailProvisionalNavigation("Unsupported URL");
    EXPECT_EQ(rig.traced(), (Lines{"web: didFinish -", "web: didFinish velk-app://editor/index.html",
                                   "web: didFail Load request cancelled", "web: didFailProvisional Unsupported URL"}));
}

TEST(EditorHostNavigation, ADeadContentProcessReloadsThePage) {
    EditorHostRig rig;
    rig.host->webContentProcessTerminated();
    EXPECT_EQ(rig.events(), Events{"reload"});
    EXPECT_EQ(rig.traced(), Lines{"web: WebContent process TERMINATED \u2014 reloading"});
}

TEST(EditorHostScheme, ServesThePageAndTheDocumentsImagesWhileItIsThere) {
    EditorHostRig rig;
    rig.document->media["velk-media/a.png"] = "png bytes";
    const auto page = rig.host->answerScheme("velk-app://editor/index.html");
    ASSERT_TRUE(page.has_value());
    EXPECT_EQ(*page->body, "<p>editor</p>");
    const auto image = rig.host->answerScheme("velk-app://editor/velk-media/a.png");
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(*image->body, "png bytes");
    EXPECT_EQ(rig.events(), Events{"media a.png velk-media"});

    rig.document.reset();
    const auto gone = rig.host->answerScheme("velk-app://editor/velk-media/a.png");
    EXPECT_EQ(gone, (Unexpected<SchemeHandler::URLError>(SchemeHandler::URLError{-1100})));
    EXPECT_TRUE(rig.host->answerScheme("velk-app://editor/").has_value());
}

TEST(EditorWebConfiguration, TheLogForwarderOnlyWhenTracing) {
    const auto off = EditorWebConfiguration::make(Tracing::off);
    EXPECT_EQ(off.scheme, "velk-app");
    EXPECT_EQ(off.userScripts, Lines{"window.VELK_NATIVE = true;"});
    EXPECT_EQ(off.messageHandlers, Lines{"velk"});
    EXPECT_FALSE(off.suppressesIncrementalRendering);
    EXPECT_TRUE(off.pageScriptsAllowed);
    EXPECT_FALSE(off.linkPreviews);

    const auto on = EditorWebConfiguration::make(Tracing::on);
    EXPECT_EQ(on.userScripts, (Lines{"window.VELK_NATIVE = true;", std::string(BridgeBootstrap::logForwardingScript)}));
    EXPECT_EQ(on.messageHandlers, (Lines{"velk", "velkLog"}));
}

}  // namespace
}  // namespace velk
