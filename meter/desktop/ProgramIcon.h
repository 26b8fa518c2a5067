#pragma once

#include <QIcon>

// The program's icon: a meter dial with a coin, painted at 16, 32 and 48 pixels.
QIcon ProgramIcon();
