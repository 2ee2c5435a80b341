// The stand-in service as a program of its own, for running the companion against without the
// real service:
//
//   tarvo-stand-in-service --record FILE [--script FILE] [--port N]
//
// It prints the port it listens at (on 127.0.0.1) as the first line of its standard output,
// writes every request it receives into the record (see StandInService.h, which also describes
// the script), and runs until SIGINT or SIGTERM, then exits 0.

#include <csignal>
#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include <pthread.h>

#include "Support/StandInService.h"
#include "TarvoBase/JsonReader.h"

namespace {

struct Options {
    std::string record;
    std::string script;
    int port = 0;
};

std::optional<Options> options(int argc, char** argv) {
    Options chosen;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view name = argv[i];
        if (name == "--record") {
            chosen.record = argv[i + 1];
        } else if (name == "--script") {
            chosen.script = argv[i + 1];
        } else if (name == "--port") {
            chosen.port = std::stoi(argv[i + 1]);
        } else {
            return std::nullopt;
        }
    }
    if (argc % 2 == 0 || chosen.record.empty()) return std::nullopt;
    return chosen;
}

tarvo::Json script(const std::string& file) {
    if (file.empty()) return tarvo::Json::object();
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    auto parsed = tarvo::JsonReader::parse(text.str());
    if (!in || !parsed) throw std::runtime_error("the script " + file + " is not readable JSON");
    return std::move(*parsed);
}

} // namespace

int main(int argc, char** argv) {
    const auto chosen = options(argc, argv);
    if (!chosen) {
        std::cerr << "usage: tarvo-stand-in-service --record FILE [--script FILE] [--port N]\n";
        return 2;
    }
    // Blocked before the service starts its threads, so that only the wait below takes them.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);
    try {
        tarvo::testing::StandInService service(script(chosen->script), chosen->record, chosen->port);
        std::cout << service.port() << std::endl;
        int received = 0;
        sigwait(&stops, &received);
    } catch (const std::exception& failure) {
        std::cerr << "tarvo-stand-in-service: " << failure.what() << "\n";
        return 1;
    }
    return 0;
}
