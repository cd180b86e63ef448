// The program's icon, drawn in code: a socket strip in the TEVRA colours.
#pragma once

#include <QIcon>

namespace quorvel::app {

QIcon AppIcon();

}  // namespace quorvel::app
