#include "app/passwordstore.h"

#include <QEventLoop>
#include <QTimer>
#include <qt6keychain/keychain.h>

namespace {
// Long enough to type a password into the keychain's own unlock prompt; a keychain that does not
// answer within it delays the start by this much once.
int& passwordStoreDefaultWaitLimit()
{
    static int limit = 15000;
    return limit;
}
} // namespace

PasswordStore::PasswordStore()
    : m_waitLimit(passwordStoreDefaultWaitLimit())
{ }

void PasswordStore::setDefaultWaitLimit(int milliseconds)
{
    passwordStoreDefaultWaitLimit() = milliseconds;
}

QString PasswordStore::serviceName(const QString& server)
{
    return QStringLiteral("Torvex Transfer: ") + server;
}

std::optional<QString> PasswordStore::read(const QString& server, const QString& login)
{
    auto* job = new QKeychain::ReadPasswordJob(serviceName(server));
    job->setKey(login);
    const Answer answer = run(job);
    if (answer.finished && answer.error == QKeychain::NoError)
        return answer.text;
    if (!answer.finished || answer.error != QKeychain::EntryNotFound)
        m_available = false;
    return std::nullopt;
}

bool PasswordStore::store(const QString& server, const QString& login, const QString& password)
{
    auto* job = new QKeychain::WritePasswordJob(serviceName(server));
    job->setKey(login);
    job->setTextData(password);
    const Answer answer = run(job);
    if (answer.finished && answer.error == QKeychain::NoError)
        return true;
    m_available = false;
    return false;
}

bool PasswordStore::remove(const QString& server, const QString& login)
{
    auto* job = new QKeychain::DeletePasswordJob(serviceName(server));
    job->setKey(login);
    const Answer answer = run(job);
    if (answer.finished && (answer.error == QKeychain::NoError || answer.error == QKeychain::EntryNotFound))
        return true;
    m_available = false;
    return false;
}

// The job deletes itself once it has finished. One that outlives the wait is left to finish on its own:
// deleting it while the keychain may still call back into it is not safe.
PasswordStore::Answer PasswordStore::run(QKeychain::Job* job)
{
    Answer answer;
    if (!m_available) {
        delete job;
        return answer;
    }
    QEventLoop loop;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&answer, &loop](QKeychain::Job* done) {
        answer.finished = true;
        answer.error = done->error();
        if (const auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(done))
            answer.text = read->textData();
        loop.quit();
    });
    QTimer::singleShot(m_waitLimit, &loop, &QEventLoop::quit);
    job->setAutoDelete(true);
    job->start();
    if (!answer.finished)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    return answer;
}
