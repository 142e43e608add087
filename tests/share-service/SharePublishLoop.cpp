// Publishes map after map into the SQLite store at argv[1] and prints "<id> <n>" for each share
// the service acknowledged, until it is killed.

#include "ShareServiceTestSupport.h"
#include "service/ShareService.h"
#include "store/SqliteShareStore.h"

#include <cstdio>

int main(int argc, char** argv) {
    using namespace velk::share;
    if (argc != 3) return 2;
    auto store = SqliteShareStore::open(argv[1]);
    if (!store || !(*store)->migrate()) return 1;
    ShareService service(**store, {.base = "http://127.0.0.1:8080/", .writesPerMinute = 0, .writeBurst = 1});
    for (long n = std::atol(argv[2]);; ++n) {
        const ServiceRequest request{"POST", "/api/share", {}, R"({"name":"n","state":)" + testing_support::mapState(n) + "}", "127.0.0.1"};
        const ServiceResponse response = service.handle(request);
        if (response.status != 201) return 1;
        // {"id":"<12 characters>",...}: the answer the publisher would have been sent.
        std::printf("%s %ld\n", response.body.substr(7, 12).c_str(), n);
        std::fflush(stdout);
    }
}
