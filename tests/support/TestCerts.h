#pragma once

#include <QString>
#include <QStringList>

// The project's certificate script (scripts/make-certs.sh) run for a test:
// "ca <dir>", "core <dir> <host>" or "client <dir> <name>". A lifetime in days
// (negative: already expired) replaces the script's default. False when the
// script failed; its messages go to standard error.
bool makeTestCerts(const QStringList& arguments, const QString& qsDays = QString());

// Two certificate authorities below qsDir, each with a core certificate for
// 127.0.0.1: "station" with the clients "operator" and "expired" (two days
// past its end), and "other" with the client "intruder". False when one could
// not be made.
bool makeTestPki(const QString& qsDir);
// The core's options that serve TLS with the certificates of one of them.
QStringList tlsCoreArguments(const QString& qsCaDir);
