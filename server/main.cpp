#include "demooptions.h"
#include "demoserver.h"

#include <pthread.h>

#include <csignal>
#include <cstdio>
#include <mutex>

int main(int argc, char** argv)
{
    DemoOptions options;
    std::string error;
    if (!options.parse(std::vector<std::string>(argv + 1, argv + argc), &error)) {
        std::fprintf(stderr, "torvex-demo-server: %s\nTry --help.\n", error.c_str());
        return 2;
    }
    if (options.helpRequested()) {
        std::fputs(DemoOptions::helpText().c_str(), stdout);
        return 0;
    }
    if (options.versionRequested()) {
        std::puts("torvex-demo-server " TORVEX_VERSION);
        return 0;
    }

    // The signals are taken by sigwait below; every thread started from here on keeps them blocked.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    DemoServerConfig config = options.config();
    static std::mutex outputMutex;
    const auto print = [](std::FILE* stream, const std::string& line) {
        std::lock_guard<std::mutex> lock(outputMutex);
        std::fprintf(stream, "%s\n", line.c_str());
        std::fflush(stream);
    };
    config.log = [print](const std::string& line) { print(stderr, line); };
    config.logRequests = !options.quiet();

    DemoServer server(config);
    if (!server.start(&error)) {
        std::fprintf(stderr, "torvex-demo-server: %s\n", error.c_str());
        return 1;
    }
    if (server.httpPort() > 0)
        print(stdout, "listening on " + server.httpUrl());
    if (server.tlsPort() > 0) {
        const std::string authority = server.caCertificatePath().empty()
            ? std::string()
            : " (CA certificate: " + server.caCertificatePath() + ')';
        print(stdout, "listening on " + server.httpsUrl() + authority);
    }

    int signal = 0;
    sigwait(&stopSignals, &signal);
    print(stderr, "stopping");
    server.stop();
    return 0;
}
