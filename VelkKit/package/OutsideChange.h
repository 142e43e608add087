#pragma once

// What a fresh read of an open package means for the document that holds it. Saves and file
// system events cannot tell velk's own writes from another program's, so the decision rests on
// content alone: a file on disk that holds what velk last put there, or what velk is about to
// write, is velk's doing; anything else came from outside.
//
// Pure functions; safe from any thread.

#include "package/DocumentTree.h"

#include <string>
#include <vector>

namespace velk::OutsideChange {

enum class Verdict {
    none,      // the disk holds only velk's own writes: nothing to do
    take,      // another program changed the package and velk holds nothing unsaved: read it
    conflict,  // another program changed it while velk holds unsaved changes: keep both
};

// `onDisk` is the package as just read; `lastWritten` what velk last read or wrote there; `held`
// what the document holds now, written or not. A file counts as velk's when its bytes on disk
// (or its absence) match `lastWritten` or `held` at that path, so a save cut short half way is
// not mistaken for another program. Folders alone are not compared.
[[nodiscard]] Verdict judge(const DocumentTree& onDisk, const DocumentTree& lastWritten, const DocumentTree& held,
                            bool heldHasUnsavedChanges);

// The quick check for the few files a file monitor named: true when each of `paths` holds on disk
// (in `onDisk`, which needs to hold only those paths) what `lastWritten` or `held` has there. A path
// where either of velk's trees has a folder is never explained this way: only a whole reread
// tells what happened below it.
[[nodiscard]] bool ownWritesAt(const std::vector<std::string>& paths, const DocumentTree& onDisk,
                               const DocumentTree& lastWritten, const DocumentTree& held);

// The package paths of the files a save of `held` would write or remove: those whose bytes differ
// from `lastWritten`, or that only one of the two has. Sorted.
[[nodiscard]] std::vector<std::string> filesAboutToChange(const DocumentTree& lastWritten, const DocumentTree& held);

}  // namespace velk::OutsideChange
