#include "security.h"

#include <grp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <vector>

namespace corvela {

bool IsAdministrator()
{
    if (::geteuid() == 0)
        return true;
    const int count = ::getgroups(0, nullptr);
    if (count <= 0)
        return false;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    if (::getgroups(count, groups.data()) < 0)
        return false;
    for (const char *name : {"sudo", "wheel", "admin"}) {
        if (const group *entry = ::getgrnam(name)) {
            for (gid_t gid : groups)
                if (gid == entry->gr_gid)
                    return true;
        }
    }
    return false;
}

bool ProtectProcess()
{
    const rlimit noCore{0, 0};
    const bool noDumps = ::setrlimit(RLIMIT_CORE, &noCore) == 0;
    // Not dumpable: no ptrace attach by the same user, no core file, /proc/<pid>/mem closed.
    return ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0 && noDumps;
}

bool RaiseOpenFileLimit()
{
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) != 0)
        return false;
    files.rlim_cur = files.rlim_max;
    return ::setrlimit(RLIMIT_NOFILE, &files) == 0;
}

} // namespace corvela
