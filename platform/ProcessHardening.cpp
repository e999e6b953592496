#include "platform/ProcessHardening.h"

#include <sys/prctl.h>
#include <sys/resource.h>

namespace zelvora {

void HardenProcess() noexcept {
    // Both limits at 0, so the process cannot raise the soft one again. A
    // core dump piped to a handler ignores this limit, but not the dumpable
    // flag below (the handler then gets a core only root may read, or none).
    const struct rlimit none {};
    (void)::setrlimit(RLIMIT_CORE, &none);
    (void)::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

}  // namespace zelvora
