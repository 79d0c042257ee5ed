#pragma once
// The decoded view of an EDID as one JSON object, for scripts
// (matrix-cli edid decode --json).

#include "control/EdidDecoder.h"

#include <QJsonObject>

QJsonObject EdidInfoToJson(const EdidInfo &info);
