#pragma once

// The client's log. Creates (or replaces) the spdlog logger `name` writing to
// the file `path` (folders are created), at level `level` (0 trace, 1 debug,
// 2 info, 3 warn, 4 error, 5 critical, 6 off; clamped), also on the console
// when `console` is true, and makes it the default logger, so the
// vision-core client writes there. Returns 0, or -1 when the file cannot be
// opened or an argument is null.
int initLog(const char* name, const char* path, int level, bool console);
