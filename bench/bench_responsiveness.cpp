// How long the user interface stays unresponsive while the program talks to a slow server: a 5 ms
// timer on the GUI thread records the longest gap between its ticks while the program logs on, loads
// the projects, expands a folder of 2,000 documents and walks a project of 300 folders and 3,000
// documents, with every answer of the server held back by a delay. The walk would take minutes, so it
// runs for a while and is then canceled. For the logon and the walk it also records the time from
// Cancel to the next tick, that is until the user interface is free again.
//
// Usage: bench_responsiveness [--delay-ms N] [--walk-seconds N]   (defaults 1000 and 6)
// Prints one line per case: case=<name> max_block_ms=.. [cancel_ms=..]

#include "app/logindialog.h"
#include "app/transfercontroller.h"
#include "model/restfolder.h"
#include "model/restproject.h"
#include "remote/kelmartreemodel.h"
#include "remote/kelmartreeview.h"
#include "rest/jobqueue.h"
#include "rest/rest.h"
#include "rest/sessionrunner.h"
#include "support/testserver.h"
#include "transfer/downloadlistingdialog.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {
constexpr int benchBigFolder = 1;
constexpr int benchWalkProject = 2;
constexpr int benchWalkRoots = 10;
constexpr int benchWalkChildren = 29; // per root: 10 + 10 * 29 = 300 folders
constexpr int benchWalkDocuments = 10; // per folder: 3,000 documents

std::string benchFolder(int id, const QString& name, int projectId, int parent, int children, int items)
{
    return RestFolder(QStringLiteral("Folder"), id, name, name, QStringLiteral("documents"), parent,
        projectId, QString(), children, items)
        .toJson()
        .toStdString();
}

std::string benchDocuments(int folder, int count)
{
    std::string json = "[";
    for (int i = 0; i < count; ++i) {
        const int id = folder * 10000 + i;
        json += (i ? "," : "") + std::string(R"({"ObjectType":"Document","ID":)") + std::to_string(id)
            + R"(,"Name":"document )" + std::to_string(id) + R"(.pdf","Size":123456,"FolderID":)"
            + std::to_string(folder) + R"(,"StatusID":1,"Uploaded":"2024-01-15T10:30:00Z"})";
    }
    return json + "]";
}

QString benchQuery(const RecordedRequest& request, const char* key)
{
    return QUrlQuery(QUrl(QStringLiteral("http://h") + QString::fromStdString(request.target)))
        .queryItemValue(QLatin1String(key));
}

// The service with its answers held back: project 1 holds one folder of 2,000 documents, project 2 the
// tree that the walk lists.
void benchServe(TestServer& server, std::chrono::milliseconds delay)
{
    const auto slow = [delay](int status, std::string body) {
        TestReply reply = TestReply::text(status, std::move(body));
        reply.delay = delay;
        return reply;
    };
    server.on("GET", "/rest/Logon", slow(200, "Logged on."));
    server.on("GET", "/rest/Logoff", slow(200, "Logged off."));
    server.on("GET", "/rest/Projects",
        slow(200,
            R"([{"ObjectType":"Project","ID":1,"Name":"Bench","IsFree":false},)"
            R"({"ObjectType":"Project","ID":2,"Name":"Walk","IsFree":false}])"));
    server.on("GET", "/rest/DocumentStatus", slow(200, R"([{"ID":1,"Name":"Draft"}])"));
    server.on("GET", "/rest/Folders", [slow](const RecordedRequest& request) {
        const int project = benchQuery(request, "p").toInt();
        const int parent = benchQuery(request, "parent").toInt();
        std::string json = "[";
        if (project == 1 && parent == 0) {
            json += benchFolder(benchBigFolder, QStringLiteral("Big"), 1, 0, 0, 2000);
        } else if (project == benchWalkProject && parent == 0) {
            for (int root = 0; root < benchWalkRoots; ++root)
                json += (root ? "," : "")
                    + benchFolder(100 + root, QStringLiteral("Drawings %1").arg(root), benchWalkProject, 0,
                        benchWalkChildren, benchWalkDocuments);
        } else if (project == benchWalkProject && parent >= 100 && parent < 100 + benchWalkRoots) {
            for (int child = 0; child < benchWalkChildren; ++child)
                json += (child ? "," : "")
                    + benchFolder(parent * 100 + child, QStringLiteral("Details %1").arg(child),
                        benchWalkProject, parent, 0, benchWalkDocuments);
        }
        return slow(200, json + "]");
    });
    server.on("GET", "/rest/Documents", [slow](const RecordedRequest& request) {
        const int folder = benchQuery(request, "f").toInt();
        return slow(200, benchDocuments(folder, folder == benchBigFolder ? 2000 : benchWalkDocuments));
    });
}

// The longest gap between two ticks of a 5 ms timer on the GUI thread.
class BenchGapProbe final
{
public:
    BenchGapProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_maxGap = std::max(m_maxGap, now - m_last);
            m_last = now;
            ++m_ticks;
        });
        m_clock.start();
        m_timer.start();
    }

    void reset()
    {
        m_last = m_clock.nsecsElapsed();
        m_maxGap = 0;
    }
    double maxBlockMs() const { return double(m_maxGap) / 1e6; }

    // Runs action (a Cancel) and returns the time until the timer ticks again.
    double freeAfter(const std::function<void()>& action)
    {
        const qint64 start = m_clock.nsecsElapsed();
        const qint64 ticks = m_ticks;
        action();
        while (m_ticks == ticks)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return double(m_last - start) / 1e6;
    }

    // Spins the event loop until done() or the time is over.
    static bool waitFor(const std::function<bool()>& done, int milliseconds)
    {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > milliseconds)
                return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
        return true;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_maxGap = 0;
    qint64 m_ticks = 0;
};

void benchReport(const char* name, const BenchGapProbe& probe, double cancelMs = -1)
{
    if (cancelMs >= 0)
        std::printf("case=%s max_block_ms=%.1f cancel_ms=%.1f\n", name, probe.maxBlockMs(), cancelMs);
    else
        std::printf("case=%s max_block_ms=%.1f\n", name, probe.maxBlockMs());
    std::fflush(stdout);
}

int benchOption(const QStringList& arguments, const QString& name, int fallback)
{
    const qsizetype at = arguments.indexOf(name);
    return at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1).toInt() : fallback;
}
} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const std::chrono::milliseconds delay(benchOption(arguments, QStringLiteral("--delay-ms"), 1000));
    const int walkSeconds = benchOption(arguments, QStringLiteral("--walk-seconds"), 6);
    const int patience = int(delay.count()) * 20 + 10000;

    TestServer server;
    benchServe(server, delay);
    BenchGapProbe probe;
    std::unique_ptr<SessionRunner> session;
    {
        // The probe of a changed server and the logon, then a second logon that the user cancels.
        LoginDialog dialog(QStringLiteral("secure.torvex.example"), QStringLiteral("bench"),
            QStringLiteral("bench"), Qt::Unchecked);
        dialog.setLogonEnabled(true);
        dialog.show();
        probe.reset();
        dialog.serverClickLblClicked();
        dialog.findChild<QLineEdit*>(QStringLiteral("serverEdit"))->setText(server.baseUrl());
        dialog.serverEditFinished();
        BenchGapProbe::waitFor([&dialog] { return !dialog.isBusy(); }, patience);
        dialog.okBtnClicked();
        BenchGapProbe::waitFor([&dialog] { return dialog.result() == QDialog::Accepted; }, patience);
        session = dialog.takeSession();
        if (!session) {
            std::fprintf(stderr, "the logon failed\n");
            return 1;
        }
        LoginDialog again(server.baseUrl(), QStringLiteral("bench"), QStringLiteral("bench"), Qt::Unchecked);
        again.setLogonEnabled(true);
        again.show();
        again.okBtnClicked();
        BenchGapProbe::waitFor([] { return false; }, int(delay.count()) / 2);
        const double cancelMs = probe.freeAfter(
            [&again] { again.findChild<QPushButton*>(QStringLiteral("cancelButton"))->click(); });
        benchReport("login", probe, cancelMs);
    }

    KelmarTreeView view;
    view.resize(800, 600);
    view.show();
    probe.reset();
    KelmarTreeModel model(session.get());
    view.setModel(&model);
    BenchGapProbe::waitFor([&model] { return !model.isLoadingProjects(); }, patience);
    benchReport("projects", probe);

    probe.reset();
    const QModelIndex bench = model.index(0, 0);
    view.setExpanded(bench, true);
    BenchGapProbe::waitFor([&model] { return !model.isLoading(); }, patience);
    const QModelIndex big = model.index(0, 0, bench);
    view.setExpanded(big, true);
    BenchGapProbe::waitFor([&model] { return !model.isLoading(); }, patience);
    if (model.rowCount(big) != 2000)
        std::fprintf(stderr, "the folder shows %d rows instead of 2000\n", model.rowCount(big));
    view.scrollToBottom();
    benchReport("expand", probe);

    {
        QWidget window;
        auto* transfers = new TransferController(&window);
        transfers->setSession(session.get());
        RestProject walked;
        walked.setObjectType(QStringLiteral("Project"));
        walked.setId(benchWalkProject);
        walked.setName(QStringLiteral("Walk"));
        walked.setIsFree(false);
        probe.reset();
        transfers->downloadRequested({ walked.toJson() }, QDir::tempPath());
        BenchGapProbe::waitFor([] { return false; }, walkSeconds * 1000);
        auto* listing = window.findChild<DownloadListingDialog*>();
        if (!listing || !transfers->isBusy()) {
            std::fprintf(stderr, "the walk is not running\n");
            return 1;
        }
        const double cancelMs = probe.freeAfter(
            [listing] { listing->findChild<QPushButton*>(QStringLiteral("cancelButton"))->click(); });
        benchReport("walk", probe, cancelMs);
    }

    session.reset();
    JobQueue::waitForAll(patience);
    return 0;
}
