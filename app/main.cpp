#include "app/mainwindow.h"
#include "app/opensession.h"
#include "rest/jobqueue.h"
#include "rest/sessionrunner.h"

#include <QApplication>

namespace {
// The session logs off on its own thread; the program waits that long for it, then cuts it short.
constexpr int mainLogoffMilliseconds = 5000;
constexpr int mainAbortMilliseconds = 2000;

int mainFinish(int result)
{
    if (!JobQueue::waitForAll(mainLogoffMilliseconds)) {
        JobQueue::abortAll();
        JobQueue::waitForAll(mainAbortMilliseconds);
    }
    return result;
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    std::unique_ptr<SessionRunner> session = openSession();
    if (!session) {
        QApplication::closeAllWindows();
        return mainFinish(0);
    }
    int result = 0;
    {
        MainWindow window(std::move(session));
        window.show();
        result = application.exec();
    }
    return mainFinish(result);
}
