#include "DebugConsole.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace DebugConsole {

bool isRequested(const QString& qsCmdLine)
{
    return qsCmdLine.contains(QLatin1String("debug"), Qt::CaseSensitive);
}

bool open()
{
    if (isatty(STDOUT_FILENO))
        return true;
    // Open the terminal first and only then replace standard output: freopen would
    // close it even when no terminal can be had, and every echoed line would be lost.
    const int nTty = ::open("/dev/tty", O_WRONLY | O_CLOEXEC);
    if (nTty < 0)
        return false;
    std::fflush(stdout);
    const bool bMoved = ::dup2(nTty, STDOUT_FILENO) >= 0;
    ::close(nTty);
    if (bMoved)
        std::setvbuf(stdout, nullptr, _IOLBF, 0);
    return bMoved;
}

} // namespace DebugConsole
