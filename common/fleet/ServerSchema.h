#pragma once

#include <QString>

class PgConnection;

// The server's tables, roles, policies and functions, made and brought up to date by one
// command run with a role that may create them (the database owner with CREATEROLE, or a
// superuser). Running it again changes nothing; a newer program adds what its version needs.
namespace ServerSchema {

inline constexpr int Version = 1;
// Group roles: each PC logs on as its own member of PcRole; administrators are members of
// AdminRole.
inline constexpr const char* PcRole = "dialtoll_pc";
inline constexpr const char* AdminRole = "dialtoll_admin";

// The version the server holds; 0 when the schema is not there.
int InstalledVersion(PgConnection& connection);
// Creates or upgrades the schema in one transaction. Throws FleetError.
void Install(PgConnection& connection);

} // namespace ServerSchema
