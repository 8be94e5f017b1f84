#pragma once

#include "corelink/CommTypes.h"

#include <QJsonObject>
#include <QString>

// The camera list's entries as the bus carries them, and the texts made of them.
namespace CameraListingJson {

// "id", "vendor", "model", "serial", "name", "interface", "address" and
// "state" ("free", "open" or "in_use").
QJsonObject toJson(const CameraListing& listing);
// What a tab calls the camera: its user-defined name, else model and serial.
QString caption(const CameraListing& listing);
// A folder name made of a caption: no separators, no characters a file system
// refuses, no leading dot, never empty.
QString safeFolderName(const QString& qsCaption);
// The operator's reason for a failed camera call, from the core link's code.
QString callError(int nCode);

} // namespace CameraListingJson
