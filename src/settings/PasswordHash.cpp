// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/PasswordHash.h"

#include "settings/SettingsStore.h"
#include "system/Failure.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <array>
#include <sodium.h>

Q_LOGGING_CATEGORY(lcPassword, "lumaveil.settings", QtWarningMsg)

namespace {

constexpr QChar hashMark = QChar::Null;

// libsodium's choice for a password that a person waits for: about 0.1 s and 64 MiB here.
constexpr unsigned long long hashPasses = crypto_pwhash_OPSLIMIT_INTERACTIVE;
constexpr std::size_t hashMemory = crypto_pwhash_MEMLIMIT_INTERACTIVE;

void startSodium()
{
    // Thread-safe, and cheap after the first call; it fails only where the system offers no random numbers.
    if (sodium_init() < 0) {
        throw Failure(QCoreApplication::translate("PasswordHash", "No random numbers for the password's salt"));
    }
}

// A fixed-length digest, so that comparing two of them tells nothing of either text's length.
std::array<unsigned char, crypto_generichash_BYTES> digest(const QByteArray& text)
{
    std::array<unsigned char, crypto_generichash_BYTES> out{};
    crypto_generichash(out.data(),
                       out.size(),
                       reinterpret_cast<const unsigned char*>(text.constData()),
                       static_cast<unsigned long long>(text.size()),
                       nullptr,
                       0);
    return out;
}

} // namespace

namespace PasswordHash {

QString hashed(const QString& password)
{
    if (password.isEmpty()) {
        return {};
    }
    startSodium();
    const QByteArray text = password.toUtf8();
    std::array<char, crypto_pwhash_STRBYTES> out{};
    if (crypto_pwhash_str(
            out.data(), text.constData(), static_cast<unsigned long long>(text.size()), hashPasses, hashMemory) != 0) {
        throw Failure(QCoreApplication::translate("PasswordHash", "Out of memory"));
    }
    return hashMark + QString::fromLatin1(out.data());
}

bool isHashed(const QString& stored)
{
    return stored.startsWith(hashMark);
}

bool matches(const QString& stored, const QString& typed)
{
    if (stored.isEmpty()) {
        return typed.isEmpty();
    }
    startSodium();
    const QByteArray typedText = typed.toUtf8();
    if (!isHashed(stored)) {
        return sodium_memcmp(digest(stored.toUtf8()).data(), digest(typedText).data(), crypto_generichash_BYTES) == 0;
    }
    const QByteArray hash = stored.sliced(1).toLatin1();
    // A hash whose parameters cannot be read matches nothing, not even the right password: say so, rather than
    // refuse in silence.
    if (hash.size() >= crypto_pwhash_STRBYTES ||
        crypto_pwhash_str_needs_rehash(hash.constData(), hashPasses, hashMemory) < 0) {
        throw Failure(QCoreApplication::translate("PasswordHash", "The stored password is damaged"));
    }
    return crypto_pwhash_str_verify(
               hash.constData(), typedText.constData(), static_cast<unsigned long long>(typedText.size())) == 0;
}

QString read(SettingsStore& settings)
{
    const QString stored = settings.ReadSetting(Setting::Password);
    if (stored.isEmpty() || isHashed(stored)) {
        return stored;
    }
    try {
        const QString hash = hashed(stored);
        settings.WriteSetting(Setting::Password, hash);
        return hash;
    } catch (const Failure& failure) {
        // The clear password still works; the next reading tries again.
        qCWarning(lcPassword) << "The password stays in the clear for now:" << failure.what();
        return stored;
    }
}

} // namespace PasswordHash
