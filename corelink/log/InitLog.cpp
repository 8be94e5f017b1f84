#include "corelink/InitLog.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <vector>

#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/sinks/stdout_color_sinks.h>
#include <spdlog/spdlog.h>

int initLog(const char* name, const char* path, int level, bool console)
{
    return initLogBounded(name, path, level, console, kLogFileBytes, kLogBackupFiles);
}

int initLogBounded(const char* name, const char* path, int level, bool console,
                   std::size_t nMaxFileBytes, std::size_t nBackupFiles)
{
    if (name == nullptr || path == nullptr || *name == '\0' || *path == '\0' || nMaxFileBytes == 0)
        return -1;

    const int nLevel = std::clamp(level, int(spdlog::level::trace), int(spdlog::level::off));
    try {
        std::vector<spdlog::sink_ptr> sinks;
        // Appends, so a restart keeps the history of the previous run; past the
        // size bound the file moves to "<name>.1<ext>" and older ones move up,
        // so a core that floods the log cannot fill the disk.
        sinks.push_back(std::make_shared<spdlog::sinks::rotating_file_sink_mt>(path, nMaxFileBytes,
                                                                              nBackupFiles));
        if (console)
            sinks.push_back(std::make_shared<spdlog::sinks::stderr_color_sink_mt>());
        auto logger = std::make_shared<spdlog::logger>(name, sinks.begin(), sinks.end());
        logger->set_level(static_cast<spdlog::level::level_enum>(nLevel));
        logger->set_pattern("[%Y-%m-%d %H:%M:%S.%e] [%n] [%l] [%t] %v");
        // Every line reaches the file at once: the client ends with _exit, which
        // flushes nothing, and a crash must not take the last lines with it.
        logger->flush_on(spdlog::level::trace);
        spdlog::drop(name);
        spdlog::register_logger(logger);
        spdlog::set_default_logger(logger);
    } catch (const std::exception&) {
        return -1;
    }
    return 0;
}
