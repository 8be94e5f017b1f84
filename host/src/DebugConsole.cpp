#include "DebugConsole.h"

#include <cstdio>
#include <unistd.h>

namespace DebugConsole {

bool isRequested(const QString& qsCmdLine)
{
    return qsCmdLine.contains(QLatin1String("debug"), Qt::CaseSensitive);
}

void open()
{
    if (isatty(STDOUT_FILENO))
        return;
    if (std::freopen("/dev/tty", "w", stdout))
        std::setvbuf(stdout, nullptr, _IOLBF, 0);
}

} // namespace DebugConsole
