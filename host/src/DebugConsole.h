#pragma once

#include <QString>

// The "debug" word on the command line makes the echoed log lines visible.
namespace DebugConsole {

// True when the joined command line asks for the console (case-sensitive, anywhere).
bool isRequested(const QString& qsCmdLine);

// Points standard output at the controlling terminal when it is not one already
// (for instance when the program was started from a desktop launcher with its
// output discarded). Without a terminal standard output stays as it was, so lines
// still reach a pipe or file it points at. Returns whether output reaches a terminal.
bool open();

} // namespace DebugConsole
