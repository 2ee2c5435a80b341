// Writes the sample conversations into a home folder's Messages database, for trying the
// companion without the Messages app:
//
//   tarvo-sample-messages HOME

#include <exception>
#include <filesystem>
#include <iostream>

#include "Support/MessagesDatabaseFixture.h"
#include "Support/SampleMessages.h"
#include "TarvoBase/Clock.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: tarvo-sample-messages HOME\n";
        return 2;
    }
    try {
        const std::filesystem::path home = argv[1];
        std::filesystem::create_directories(home / "Library/Messages");
        tarvo::testing::MessagesDatabaseFixture database(home / "Library/Messages/chat.db");
        tarvo::testing::SampleMessages::write(database, home, tarvo::SystemClock().date());
    } catch (const std::exception& failure) {
        std::cerr << "tarvo-sample-messages: " << failure.what() << "\n";
        return 1;
    }
    return 0;
}
