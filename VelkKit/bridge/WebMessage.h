#pragma once

// One message the editor page posted to a script message handler, as the desktop app's web view
// binding hands it to the editor host. Plain data; the host decides what to do with it.

#include <string>

namespace velk {

struct WebMessage {
    enum class BodyKind { text, other };

    // The handler the page posted to: "velk" for requests, "velkLog" for forwarded console lines.
    std::string handler;
    BodyKind bodyKind = BodyKind::text;
    // The text posted; for a body of another kind, the binding's textual form of it, which is
    // only ever written to the trace.
    std::string body;
    // Whether the sending frame is the page's main frame.
    bool isMainFrame = false;
    // The scheme of the sending frame's security origin, such as "velk-app". A binding whose web
    // view cannot tell gives the scheme of the view's current URL.
    std::string originScheme;
};

}  // namespace velk
