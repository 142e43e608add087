#pragma once

// The gate every link-preview fetch passes, for the pasted link and again for every redirect
// and image: only plain http(s) links, and only hosts that are, or resolve only to, public
// internet addresses. The refusals name the host and the offending address so that the editor
// can tell the user why a link got no preview.
//
// Pure functions apart from systemResolve(), which asks the system resolver and blocks its
// caller meanwhile. All are safe from any thread.

#include "core/Expected.h"
#include "preview/LinkPreviewFailure.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velk::LinkPreview {

// Host name in, numeric address texts out (possibly none). Production uses systemResolve();
// tests and the fetcher's own tests pass a table.
using Resolver = std::function<std::vector<std::string>(std::string_view host)>;

// The URL to fetch for a pasted link: the link trimmed of white space and line breaks, read
// with the generic URI syntax, http or https in any letter case, with a non-empty host, and
// rebuilt without user name and password. Everything else of the link is kept as written.
[[nodiscard]] Expected<std::string, Failure> target(std::string_view link);

// Absent when `host` may be contacted. A numeric host (an IPv6 literal may keep its brackets)
// is judged by itself and the resolver is not asked; a name is allowed only when the resolver
// names at least one address and every address it names is public.
[[nodiscard]] std::optional<Failure> check(std::string_view host, const Resolver& resolve);

// The numeric addresses the system resolver gives for `host` (IPv4 and IPv6, stream sockets),
// in its order, duplicates kept and IPv6 zones dropped; empty when it fails.
[[nodiscard]] std::vector<std::string> systemResolve(std::string_view host);

// True only when `text` parses as an address and that address is public.
[[nodiscard]] bool addressAllowed(std::string_view text);

// The first non-empty piece of `text` between "%" signs, which drops an IPv6 zone:
// "fe80::1%en0" is "fe80::1". Text with no such piece stays as it is.
[[nodiscard]] std::string_view withoutZone(std::string_view text);

}  // namespace velk::LinkPreview
