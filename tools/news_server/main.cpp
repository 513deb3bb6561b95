// corvane-news-server: serves a spool directory on loopback for trying the client by hand
// and for tests in other processes. Prints "listening on ADDR:PORT" once ready and serves
// until SIGINT or SIGTERM.
#include <signal.h>

#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

#include "tools/news_server/news_server.h"

namespace {

using corvane::testserver::CNewsTestServer;
using corvane::testserver::SBehaviour;

struct SOptions {
    std::string spool;
    std::string bind = "127.0.0.1";
    int port = 0;
    SBehaviour behaviour;
};

constexpr const char* kUsage =
    "usage: corvane-news-server --spool DIR [--bind ADDR] [--port N]\n"
    "         [--require-auth USER:PASS] [--refuse-password] [--mode-reader-error]\n"
    "         [--silent-after N] [--drop-after-lines N] [--endless-line-after VERB]\n"
    "         [--missing N,N,...]\n";

bool ParseInt(const std::string& text, int& value) {
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || parsed < -1 || parsed > 1000000000) {
        return false;
    }
    value = static_cast<int>(parsed);
    return true;
}

bool ParseMissing(const std::string& text, SBehaviour& behaviour) {
    std::stringstream list(text);
    std::string item;
    while (std::getline(list, item, ',')) {
        int number = 0;
        if (!ParseInt(item, number) || number <= 0) return false;
        behaviour.missingArticles.insert(number);
    }
    return true;
}

bool ParseAuth(const std::string& text, SBehaviour& behaviour) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos) return false;
    behaviour.requireAuth = true;
    behaviour.user = text.substr(0, colon);
    behaviour.password = text.substr(colon + 1);
    return true;
}

// One option that takes a value; false on a bad value.
bool ApplyValue(const std::string& name, const std::string& value, SOptions& options) {
    SBehaviour& b = options.behaviour;
    if (name == "--spool")
        options.spool = value;
    else if (name == "--bind")
        options.bind = value;
    else if (name == "--port")
        return ParseInt(value, options.port);
    else if (name == "--require-auth")
        return ParseAuth(value, b);
    else if (name == "--silent-after")
        return ParseInt(value, b.silentAfterCommands);
    else if (name == "--drop-after-lines")
        return ParseInt(value, b.dropAfterLines);
    else if (name == "--endless-line-after")
        b.endlessLineAfter = value;
    else if (name == "--missing")
        return ParseMissing(value, b);
    else
        return false;
    return true;
}

bool ParseOptions(int argc, char** argv, SOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--refuse-password") {
            options.behaviour.refusePassword = true;
        } else if (name == "--mode-reader-error") {
            options.behaviour.modeReaderError = true;
        } else if (i + 1 >= argc || !ApplyValue(name, argv[++i], options)) {
            std::cerr << "corvane-news-server: bad or incomplete option " << name << "\n";
            return false;
        }
    }
    return !options.spool.empty();
}

}  // namespace

int main(int argc, char** argv) {
    SOptions options;
    if (!ParseOptions(argc, argv, options)) {
        std::cerr << kUsage;
        return 2;
    }
    // Blocked before any thread starts, so every thread inherits the mask and only sigwait
    // below takes the signals.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    CNewsTestServer server(options.spool);
    server.SetBehaviour(options.behaviour);
    if (!server.Start(options.bind, options.port)) {
        std::cerr << "corvane-news-server: cannot listen on " << options.bind << ":" << options.port
                  << "\n";
        return 1;
    }
    std::cout << "listening on " << options.bind << ":" << server.Port() << std::endl;
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.Stop();
    return 0;
}
