#include "corelink/InitLog.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <vector>

#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/sinks/stdout_color_sinks.h>
#include <spdlog/spdlog.h>

int initLog(const char* name, const char* path, int level, bool console)
{
    if (name == nullptr || path == nullptr || *name == '\0' || *path == '\0')
        return -1;

    const int nLevel = std::clamp(level, int(spdlog::level::trace), int(spdlog::level::off));
    try {
        std::vector<spdlog::sink_ptr> sinks;
        // Appends, so a restart keeps the history of the previous run.
        sinks.push_back(std::make_shared<spdlog::sinks::basic_file_sink_mt>(path, false));
        if (console)
            sinks.push_back(std::make_shared<spdlog::sinks::stderr_color_sink_mt>());
        auto logger = std::make_shared<spdlog::logger>(name, sinks.begin(), sinks.end());
        logger->set_level(static_cast<spdlog::level::level_enum>(nLevel));
        logger->set_pattern("[%Y-%m-%d %H:%M:%S.%e] [%n] [%l] [%t] %v");
        // Warnings and worse must reach the file even if the process dies next.
        logger->flush_on(spdlog::level::warn);
        spdlog::drop(name);
        spdlog::register_logger(logger);
        spdlog::set_default_logger(logger);
    } catch (const std::exception&) {
        return -1;
    }
    return 0;
}
