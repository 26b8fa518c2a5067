#pragma once

#include <QString>

// Account passwords as salted slow hashes (Argon2id, libsodium's interactive limits), in the
// self-describing text form "$argon2id$v=19$m=…,t=…,p=…$salt$hash". Each call takes about a
// tenth of a second and 64 MiB: fine for a log-on or a registration, never for a timer. Safe to
// call from any thread.
namespace PasswordHash {

// A fresh hash of `password` (a new random salt each time). Throws FleetError (not transient)
// when the library cannot start or the memory is not there; there is no weaker fallback.
QString hash(const QString& password);

// Whether `password` matches `hash`. False for a hash that is not a valid Argon2id string.
// Throws FleetError when the library cannot start.
bool verify(const QString& hash, const QString& password);

} // namespace PasswordHash
