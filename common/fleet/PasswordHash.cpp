#include "common/fleet/PasswordHash.h"

#include "common/fleet/FleetError.h"

#include <sodium.h>

#include <array>

namespace {

void EnsureSodium() {
    // A function-local static starts the library once, whichever thread gets here first.
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        throw FleetError{QStringLiteral("the password hash library could not start"), false};
}

} // namespace

namespace PasswordHash {

QString hash(const QString& password) {
    EnsureSodium();
    const QByteArray bytes = password.toUtf8();
    std::array<char, crypto_pwhash_STRBYTES> text{};
    if (crypto_pwhash_str_alg(
            text.data(), bytes.constData(), static_cast<unsigned long long>(bytes.size()),
            crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE,
            crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw FleetError{QStringLiteral("not enough memory to hash the password"), false};
    return QString::fromLatin1(text.data());
}

bool verify(const QString& hash, const QString& password) {
    EnsureSodium();
    const QByteArray stored = hash.toLatin1();
    // The library reads a fixed-size, NUL-terminated buffer; anything longer is no hash of ours.
    if (hash.isEmpty() || stored.size() >= crypto_pwhash_STRBYTES ||
        !stored.startsWith(crypto_pwhash_argon2id_STRPREFIX))
        return false;
    const QByteArray bytes = password.toUtf8();
    return crypto_pwhash_str_verify(stored.constData(), bytes.constData(),
                                    static_cast<unsigned long long>(bytes.size())) == 0;
}

} // namespace PasswordHash
