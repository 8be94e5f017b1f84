#include "TestSuite.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

std::map<std::string, TestSuite::Entry>& entries()
{
    static std::map<std::string, TestSuite::Entry> map;
    return map;
}

std::string baseName(const char* pPath)
{
    std::string strName(pPath);
    const auto nSlash = strName.find_last_of('/');
    if (nSlash != std::string::npos)
        strName.erase(0, nSlash + 1);
    const auto nDot = strName.find('.');
    if (nDot != std::string::npos)
        strName.erase(nDot);
    return strName;
}

// One class in a child process, with the same further arguments.
int runInChild(const std::string& strName, int argc, char* argv[])
{
    std::vector<char*> arguments{argv[0], const_cast<char*>(strName.c_str())};
    arguments.insert(arguments.end(), argv + 1, argv + argc);
    arguments.push_back(nullptr);
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        execv("/proc/self/exe", arguments.data());
        std::perror("execv");
        _exit(127);
    }
    int nStatus = 0;
    if (pid < 0 || waitpid(pid, &nStatus, 0) != pid)
        return 1;
    return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 128 + WTERMSIG(nStatus);
}

} // namespace

bool TestSuite::add(const char* pSourceFile, Entry entry)
{
    return entries().emplace(baseName(pSourceFile), entry).second;
}

int main(int argc, char* argv[])
{
    if (argc > 1) {
        const auto it = entries().find(argv[1]);
        if (it != entries().end()) {
            argv[1] = argv[0];
            return it->second(argc - 1, argv + 1);
        }
        const bool bList = std::strcmp(argv[1], "--list") == 0;
        // A misspelt name must not quietly run every class instead.
        if (bList || argv[1][0] != '-') {
            if (!bList)
                std::fprintf(stderr, "no test class %s here; there are:\n", argv[1]);
            for (const auto& entry : entries())
                std::fprintf(bList ? stdout : stderr, "%s\n", entry.first.c_str());
            return bList ? 0 : 2;
        }
    }
    int nFailed = 0;
    for (const auto& entry : entries())
        if (runInChild(entry.first, argc, argv) != 0)
            ++nFailed;
    return nFailed;
}
