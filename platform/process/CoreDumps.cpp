#include "platform/process/CoreDumps.h"

#include <sys/prctl.h>
#include <sys/resource.h>

namespace yeroup::platform {

bool ForbidCoreDumps() {
    // The limit keeps a dump away even where the dumpable flag is set back (an exec of a setuid program).
    const rlimit none{0, 0};
    const bool limited = ::setrlimit(RLIMIT_CORE, &none) == 0;
    return ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0 && limited;
}

}  // namespace yeroup::platform
