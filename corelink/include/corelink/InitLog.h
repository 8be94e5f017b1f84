#pragma once

#include <cstddef>

// The client's log. Creates (or replaces) the spdlog logger `name` writing to
// the file `path` (folders are created), at level `level` (0 trace, 1 debug,
// 2 info, 3 warn, 4 error, 5 critical, 6 off; clamped), also on the console
// when `console` is true, and makes it the default logger, so the
// vision-core client writes there. Returns 0, or -1 when the file cannot be
// opened or an argument is null.
// Every line is flushed as it is written. The file is bounded: past
// kLogFileBytes it is renamed to "<stem>.1<ext>" (older ones to .2, ...,
// the oldest of kLogBackupFiles dropped) and a fresh file started.
int initLog(const char* name, const char* path, int level, bool console);

constexpr std::size_t kLogFileBytes = 20 * 1024 * 1024;
constexpr std::size_t kLogBackupFiles = 4;

// initLog with other bounds (nMaxFileBytes > 0).
int initLogBounded(const char* name, const char* path, int level, bool console, std::size_t nMaxFileBytes,
                   std::size_t nBackupFiles);
