#pragma once

#include <QString>

#include <optional>

namespace QKeychain {
class Job;
}

// The remembered password of one server and login in the desktop's keychain (the secret service,
// KWallet), through QtKeychain. The entry's service is "Torvex Transfer: " plus the server exactly as
// the settings keep it, its key the login name: the two stay apart whatever characters they hold, and a
// keychain manager lists the entry under the program's name and the server.
//
// Each call starts one keychain job and runs a local event loop (without user input) until it ends,
// at most waitLimit() ms: a keychain that never answers (a hung service, a wallet waiting to be opened)
// costs one wait and then counts as missing. Once a call finds no keychain the later ones give up at
// once, so the caller falls back to the settings file. QtKeychain runs its jobs one after the other, so
// a job that never ends would hold up every later one anyway. GUI thread only.
class PasswordStore final
{
public:
    PasswordStore();
    Q_DISABLE_COPY_MOVE(PasswordStore)

    static QString serviceName(const QString& server);

    // Whether a keychain answered every call so far (true before the first).
    bool isAvailable() const { return m_available; }

    // The stored password; nothing when none is stored or no keychain answers.
    std::optional<QString> read(const QString& server, const QString& login);
    // False when no keychain took the password.
    bool store(const QString& server, const QString& login, const QString& password);
    // False when no keychain answered; removing what is not there succeeds.
    bool remove(const QString& server, const QString& login);

    int waitLimit() const { return m_waitLimit; }
    void setWaitLimit(int milliseconds) { m_waitLimit = milliseconds; }
    // The wait limit of stores made from now on; tests shorten it.
    static void setDefaultWaitLimit(int milliseconds);

private:
    struct Answer
    {
        bool finished = false;
        int error = 0;
        QString text;
    };
    Answer run(QKeychain::Job* job);

    bool m_available = true;
    int m_waitLimit;
};
