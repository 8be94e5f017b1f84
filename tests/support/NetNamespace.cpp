#include "NetNamespace.h"

#include <QByteArray>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace {
const char* const kMarker = "KELVORA_IN_NETNS";

[[noreturn]] void skip(const char* pWhy)
{
    std::fprintf(stderr, "skipped: %s\n", pWhy);
    std::exit(77);
}
} // namespace

void NetNamespace::enter(int argc, char** argv, const QStringList& extraAddresses)
{
    if (qgetenv(kMarker) == "1")
        return;
    if (std::system("command -v unshare >/dev/null 2>&1 && command -v ip >/dev/null 2>&1") != 0)
        skip("unshare or ip (util-linux, iproute2) missing");
    if (std::system("unshare -n true 2>/dev/null") != 0)
        skip("no network namespace can be made here (needs root)");
    setenv(kMarker, "1", 1);
    QByteArray script = "ip link set lo up";
    for (const QString& qsAddress : extraAddresses)
        script += " && ip addr add " + qsAddress.toLatin1() + " dev lo";
    script += " && exec \"$0\" \"$@\"";
    std::vector<char*> args{const_cast<char*>("unshare"), const_cast<char*>("-n"), const_cast<char*>("sh"),
                            const_cast<char*>("-c"), script.data()};
    for (int i = 0; i < argc; ++i)
        args.push_back(argv[i]);
    args.push_back(nullptr);
    execvp("unshare", args.data());
    skip("unshare could not be started");
}
