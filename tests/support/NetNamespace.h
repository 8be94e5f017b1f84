#pragma once

#include <QStringList>

// A network namespace of the program's own, for fake GigE cameras whose discovery
// broadcasts and packets must stay on a loopback nobody else uses.
namespace NetNamespace {

// Runs the program again inside `unshare -n` with its loopback up and holding the
// further addresses (e.g. "127.0.0.2/8"); returns at once in that run. Where no
// namespace can be made (not root, no unshare or ip) it prints why and exits with
// 77, which CTest counts as skipped.
void enter(int argc, char** argv, const QStringList& extraAddresses = {});

} // namespace NetNamespace
