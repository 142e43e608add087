#pragma once

// What the share service's tests share: a scratch folder, a real PostgreSQL server started for
// the run, and map states to publish. The raw HTTP client and velk-share as a child process are
// in ShareServiceProcess.h.

#include "ShareServiceProcess.h"

#include <string>

namespace velk::share::testing_support {

// A fresh folder under /tmp, deleted with everything in it when this goes.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    [[nodiscard]] const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// A connection URI of a new, empty database on a PostgreSQL server of the test run's own:
// initdb in a scratch folder, listening on a free port of 127.0.0.1 only, run as the
// "postgres" system user when the tests run as root (PostgreSQL refuses root). The server
// starts on the first call and stops when the program ends.
[[nodiscard]] std::string freshPostgresDatabase();

// A small map's editor state that velk opens, its text differing with `n`.
[[nodiscard]] std::string mapState(long n);

}  // namespace velk::share::testing_support
