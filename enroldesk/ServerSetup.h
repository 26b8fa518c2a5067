#pragma once

#include <QStringList>
#include <optional>

// "--init-server [CONNECTION]": creates or upgrades the shared server's schema, roles and
// policies, then ends. Without a connection the administrator connection of fleet.ini in the
// data folder (--data-folder, or the usual one) is used. Needs no display.
namespace ServerSetup {

inline constexpr const char* Option = "--init-server";

// The exit status when the arguments ask for it; nullopt otherwise.
std::optional<int> RunIfAsked(const QStringList& arguments);

} // namespace ServerSetup
