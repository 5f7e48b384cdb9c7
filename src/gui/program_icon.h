#pragma once

#include <QIcon>

namespace tonvale {

// The program's icon: a decaying wave running into an eighth note, drawn at 32, 48, 64 and
// 256 pixels.
QIcon LoadProgramIcon();

}  // namespace tonvale
