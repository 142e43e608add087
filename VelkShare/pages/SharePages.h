#pragma once

// The share service's web pages, and the one handler velk-share serves: the service's own routes
// (ShareService::route) and, for every other path, a page.
//
// - s/<id>: the shared map in the editor's read-only viewer, with Open in App; a page that says
//   the map was removed (410, with the operator's reason), is no longer shared (404), or cannot
//   be shown right now (503).
// - s/<id>/media/<velk-media|plovet-media>/<name>: the share's images, decoded.
// - feedback/: the form velk's feedback link opens. A browser's form post is answered with a
//   page (a thank-you page after a redirect, or the form again with the service's reason);
//   other posts get the service's JSON.
// - shortcuts/: the editor's keyboard shortcuts, from the editor's own command table.
//
// Every page carries a content security policy that allows only what that page uses, and
// headers that keep it out of frames and stop referrers and type sniffing. The pages are built
// into the binary.
//
// Safe to call from several threads at once (the service is); the service must outlive it.

#include "http/HttpExchange.h"
#include "service/ShareService.h"

#include <string>
#include <string_view>

namespace velk::share {

class SharePages {
public:
    explicit SharePages(ShareService& service);

    // The answer to any request.
    [[nodiscard]] ServiceResponse answer(const ServiceRequest& request);

private:
    ServiceResponse page(const ServiceRequest& request);
    ServiceResponse viewer(const std::string& id);
    ServiceResponse media(const std::string& id, const std::string& path);
    ServiceResponse feedbackForm(const ServiceRequest& request);
    ServiceResponse feedbackPosted(const ServiceRequest& request);
    ServiceResponse shortcuts();
    std::string address(std::string_view relative) const;

    ShareService& m_service;
};

}  // namespace velk::share
