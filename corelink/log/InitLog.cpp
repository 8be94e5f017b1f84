#include "corelink/InitLog.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

#include <spdlog/sinks/dist_sink.h>
#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/sinks/stdout_color_sinks.h>
#include <spdlog/spdlog.h>

int initLog(const char* name, const char* path, int level, bool console)
{
    return initLogBounded(name, path, level, console, kLogFileBytes, kLogBackupFiles);
}

int initLogBounded(const char* name, const char* path, int level, bool console, std::size_t nMaxFileBytes,
                   std::size_t nBackupFiles)
{
    if (name == nullptr || path == nullptr || *name == '\0' || *path == '\0' || nMaxFileBytes == 0)
        return -1;

    const int nLevel = std::clamp(level, int(spdlog::level::trace), int(spdlog::level::off));
    try {
        std::vector<spdlog::sink_ptr> sinks;
        // Appends, so a restart keeps the history of the previous run; past the
        // size bound the file moves to "<name>.1<ext>" and older ones move up,
        // so a core that floods the log cannot fill the disk.
        sinks.push_back(
            std::make_shared<spdlog::sinks::rotating_file_sink_mt>(path, nMaxFileBytes, nBackupFiles));
        if (console)
            sinks.push_back(std::make_shared<spdlog::sinks::stderr_color_sink_mt>());
        // Other threads may be logging through the default logger while it is set up
        // again: the logger stays, and only the sinks behind its one distributing sink
        // (which takes its own lock for every line) are exchanged.
        static std::mutex s_mutex;
        std::lock_guard<std::mutex> lock(s_mutex);
        std::shared_ptr<spdlog::logger> logger = spdlog::get(name);
        std::shared_ptr<spdlog::sinks::dist_sink_mt> dist;
        if (logger && logger == spdlog::default_logger() && logger->sinks().size() == 1)
            dist = std::dynamic_pointer_cast<spdlog::sinks::dist_sink_mt>(logger->sinks().front());
        if (dist) {
            dist->set_sinks(sinks);
        } else {
            dist = std::make_shared<spdlog::sinks::dist_sink_mt>(sinks);
            logger = std::make_shared<spdlog::logger>(name, dist);
            spdlog::drop(name);
            spdlog::register_logger(logger);
            spdlog::set_default_logger(logger);
        }
        logger->set_level(static_cast<spdlog::level::level_enum>(nLevel));
        logger->set_pattern("[%Y-%m-%d %H:%M:%S.%e] [%n] [%l] [%t] %v");
        // Every line reaches the file at once: the client ends with _exit, which
        // flushes nothing, and a crash must not take the last lines with it.
        logger->flush_on(spdlog::level::trace);
    } catch (const std::exception&) {
        return -1;
    }
    return 0;
}
