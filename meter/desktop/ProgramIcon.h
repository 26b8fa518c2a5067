#pragma once

#include <QIcon>

#include <QPixmap>
#include <array>

// The sizes the program's icon is painted at for its windows and the tray.
inline constexpr std::array<int, 3> ProgramIconSizes{16, 32, 48};

// The program's icon: a meter dial with a coin, painted at 16, 32 and 48 pixels.
QIcon ProgramIcon();
// The icon painted at one size (any size: the installed icons come from it too).
QPixmap ProgramIconPixmap(int size);
