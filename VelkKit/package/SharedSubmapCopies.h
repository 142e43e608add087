#pragma once

// Guarding submaps that are opened from several cards. Loading gives the editor one copy of such
// a file per linking card, and the user may edit any of them; a save must not let one copy
// silently overwrite edits made in another.
//
// SharedSubmapCopies remembers, per document, the content each copy had when the editor last
// received it and the content each shared file has now, as fingerprints (so member order, number
// notation and empty members never count as edits). Before a save body is written,
// resolveSharedFiles keeps exactly one copy of each shared file that was edited consistently,
// drops the others, and refuses the whole save when copies disagree or one was edited from an
// outdated state.
//
// Plain values and pure functions; the document core owns its copies and calls these from the
// main thread.

#include "core/Expected.h"
#include "json/JSONValue.h"
#include "package/MapDocument.h"
#include "package/MapDocumentError.h"

#include <map>
#include <string>
#include <vector>

namespace velk {

struct SharedSubmapCopies {
    // Map path of a copy -> fingerprint of its content at load or at its last accepted save.
    std::map<std::string, JSONValue> baselines;
    // Canonical package path of a shared file -> fingerprint of the file as last loaded or saved.
    // Two spellings of one path are one file; names differing only in letter case are two.
    std::map<std::string, JSONValue> current;

    // Every file that the load holds under more than one map path. Files loaded once have no
    // entry.
    [[nodiscard]] static SharedSubmapCopies fromLoaded(const std::vector<LoadedMap>& maps);

    bool operator==(const SharedSubmapCopies&) const = default;
};

// A save body ready to be written, and the copies as they stand once it is.
struct ResolvedSave {
    JSONValue body;
    SharedSubmapCopies copies;
};

namespace MapDocument {

// Decides, for every shared file with copies in the body, which copy is written. A file is
// written when all its edited copies agree and either they already hold the file's current
// content or each of them started from it. Every other copy is dropped: only its "path" stays in
// the body, so nothing is written from it but the card that opens it still links the file.
// `files` maps each known map path to its package path. When no copy was dropped the body is
// returned as the very same value.
[[nodiscard]] Expected<ResolvedSave, MapDocumentError> resolveSharedFiles(const JSONValue& saveBody,
                                                                        const MapDocument::KnownFiles& files,
                                                                        const SharedSubmapCopies& copies);

}  // namespace MapDocument
}  // namespace velk
