#pragma once

#include <QString>

class QFileDialog;

// The page's folder dialog: Qt's own dialog rather than the desktop's, so that it
// wears the page's dark look and Chinese labels; folders only.
namespace FolderDialog {

// Builds the dialog without parent (the caller runs it).
QFileDialog* create(const QString& qsCaption);

// Runs the dialog; the chosen folder, or an empty string when cancelled.
QString choose(const QString& qsCaption);

} // namespace FolderDialog
