#include "rest/jobqueue.h"
#include "rest/rest.h"
#include "rest/restexceptions.h"
#include "rest/sessionrunner.h"
#include "support/recorders.h"
#include "support/testserver.h"

#include <QThread>
#include <QtTest>

#include <memory>

namespace {
std::unique_ptr<SessionRunner> runnerTestSession(
    TestServer& server, std::chrono::milliseconds logoffDelay = {})
{
    server.on("GET", "/rest/Logon", TestReply::text(200, "Logged on."));
    TestReply logoff = TestReply::text(200, "Logged off.");
    logoff.delay = logoffDelay;
    server.on("GET", "/rest/Logoff", logoff);
    return std::make_unique<SessionRunner>(
        std::make_unique<Rest>(server.baseUrl(), QStringLiteral("u"), QStringLiteral("p")));
}

QStringList runnerTestTargets(const TestServer& server, const std::string& path)
{
    QStringList targets;
    for (const RecordedRequest& request : server.requests(path))
        targets << QString::fromStdString(request.target);
    return targets;
}
} // namespace

// The thread that runs a session's server calls for the user interface.
class TestSessionRunner : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void jobsRunInOrderAndAnswerOnTheReceiversThread();
    void abandonedJobsAndGoneReceiversGetNothing();
    void destructionLogsOffInTheBackgroundAndTheEndCanCutItShort();
};

void TestSessionRunner::cleanup()
{
    QVERIFY(JobQueue::waitForAll(10000));
}

void TestSessionRunner::jobsRunInOrderAndAnswerOnTheReceiversThread()
{
    TestServer server;
    server.on("GET", "/rest/Documents", TestReply::text(200, "[]"));
    server.on("GET", "/rest/DocumentStatus", TestReply::text(500, "nope"));
    auto runner = runnerTestSession(server);
    QObject receiver;
    QStringList answers;
    QList<QThread*> threads;
    for (int folder = 1; folder <= 3; ++folder) {
        runner->run(
            &receiver,
            [folder](Rest& rest, const JobControl& control) {
                control.post([] {});
                return int(rest.getDocuments(folder).size()) + folder;
            },
            [&](int value) {
                answers << QString::number(value);
                threads << QThread::currentThread();
            },
            [&](std::exception_ptr) { answers << QStringLiteral("failed"); });
    }
    runner->run(
        &receiver, [](Rest& rest, const JobControl&) { rest.getProjectStatusses(4); },
        [&] { answers << "no"; },
        [&](std::exception_ptr failure) {
            try {
                std::rethrow_exception(failure);
            } catch (const RestException& e) {
                answers << QString::number(e.response.statusCode);
            } catch (...) { }
        });
    QTRY_COMPARE(answers, QStringList({ "1", "2", "3", "500" }));
    QCOMPARE(threads, QList<QThread*>(3, QThread::currentThread()));
    QCOMPARE(runnerTestTargets(server, "/rest/Documents"),
        QStringList({ "/rest/Documents?f=1", "/rest/Documents?f=2", "/rest/Documents?f=3" }));
}

void TestSessionRunner::abandonedJobsAndGoneReceiversGetNothing()
{
    TestServer server;
    TestReply slow = TestReply::text(200, "[]");
    slow.delay = std::chrono::milliseconds(300);
    server.on("GET", "/rest/Documents", slow);
    auto runner = runnerTestSession(server);
    QStringList answers;
    const auto job = [](int folder) {
        return [folder](Rest& rest, const JobControl& control) {
            rest.getDocuments(folder);
            control.throwIfCanceled();
            rest.getDocuments(folder + 10);
            return folder;
        };
    };
    const auto answer = [&answers](int folder) { answers << QString::number(folder); };
    const auto failed = [&answers](std::exception_ptr) { answers << QStringLiteral("failed"); };

    QObject stays;
    auto goes = std::make_unique<QObject>();
    const CancelToken first = runner->run(&stays, job(1), answer, failed);
    runner->run(goes.get(), job(2), answer, failed);
    runner->run(&stays, job(3), answer, failed);
    // The first is abandoned while its first request runs: its second is never sent.
    QTRY_VERIFY(!server.requests("/rest/Documents").empty());
    first.cancel();
    goes.reset();
    QTRY_COMPARE(answers, QStringList { "3" });
    QCOMPARE(runnerTestTargets(server, "/rest/Documents"),
        QStringList({ "/rest/Documents?f=1", "/rest/Documents?f=2", "/rest/Documents?f=12",
            "/rest/Documents?f=3", "/rest/Documents?f=13" }));

    runner->run(&stays, job(4), answer, failed);
    runner->abandonAll();
    runner->run(&stays, job(5), answer, failed);
    QTRY_COMPARE(answers, QStringList({ "3", "5" }));
}

void TestSessionRunner::destructionLogsOffInTheBackgroundAndTheEndCanCutItShort()
{
    LineRecorder lines;
    {
        TestServer server;
        auto runner = runnerTestSession(server, std::chrono::milliseconds(500));
        runner.reset();
        // The logoff is still held at the server: the destruction did not wait for it.
        QVERIFY(!lines.contains(QStringLiteral("Rest logoff()")));
        QVERIFY(JobQueue::waitForAll(10000));
        QCOMPARE(lines.lines(), QStringList { QStringLiteral("Rest logoff()") });
        QCOMPARE(server.requests().back().target, std::string("/rest/Logoff"));
    }

    // A server that never answers the logoff holds the end of the program only until it gives up.
    lines.clear();
    TestServer hanging;
    auto runner = runnerTestSession(hanging, std::chrono::milliseconds(60000));
    runner.reset();
    JobQueue::abortAll();
    QVERIFY(JobQueue::waitForAll(10000));
    QVERIFY(lines.lines().isEmpty());
}

QTEST_GUILESS_MAIN(TestSessionRunner)
#include "tst_sessionrunner.moc"
