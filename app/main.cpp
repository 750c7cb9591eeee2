#include "app/mainwindow.h"
#include "app/opensession.h"
#include "app/translationloader.h"
#include "rest/jobqueue.h"
#include "rest/sessionrunner.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
void addCommandLineOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QCoreApplication::translate(
        "main", "Moves files between this computer and your projects on the Torvex collaboration service."));
    parser.addHelpOption();
    parser.addVersionOption();
}

bool asksForHelpOrVersion(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        for (const char* option : { "-h", "--help", "-?", "-v", "--version" }) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

// Answers --help and --version before the GUI connects to a display, so that they work on a plain
// terminal. Both end the process.
void answerHelpOrVersion(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    TranslationLoader::install();
    QCommandLineParser parser;
    addCommandLineOptions(parser);
    // Toolkit options such as -platform are unknown here; they do not matter for these two answers.
    parser.parse(QCoreApplication::arguments());
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    parser.showHelp();
}

// The program takes no options of its own beyond --help and --version; anything else is refused.
void checkCommandLine(const QApplication& application)
{
    QCommandLineParser parser;
    addCommandLineOptions(parser);
    parser.process(application);
    const QStringList arguments = parser.positionalArguments();
    if (!arguments.isEmpty()) {
        const QString text = QCoreApplication::translate("main", "%1: Unexpected argument '%2'.")
                                 .arg(QCoreApplication::applicationName(), arguments.constFirst());
        std::fprintf(stderr, "%s\n", qPrintable(text));
        std::exit(EXIT_FAILURE);
    }
}
} // namespace

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
    QCoreApplication::setApplicationVersion(QLatin1String(programVersion));
    // The desktop matches the windows to the menu entry by this name (the Wayland application ID).
    QGuiApplication::setDesktopFileName(QStringLiteral("example.torvex.TorvexTransfer"));
    if (asksForHelpOrVersion(argc, argv))
        answerHelpOrVersion(argc, argv);

    QApplication application(argc, argv);
    TranslationLoader::install();
    checkCommandLine(application);
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
