#pragma once

#include <QString>

// The interface speaks Chinese unless the operator chooses otherwise: KELVORA_LANG
// in the environment, or "language" under [General] in config.ini. The system
// locale is not consulted, so a station looks the same whatever it was installed as.
namespace Language {

// "en" when English is chosen, an empty string for the Chinese source texts. The
// environment wins over the file; a value that is not a known language is ignored.
QString chosen(const QString& qsEnvValue, const QString& qsConfigPath);

// Installs the translation for qsCode into the application. Returns false (and the
// texts stay Chinese) when there is none.
bool install(const QString& qsCode);

} // namespace Language
