#include <chrono>

#include "TarvoBase/PlainLog.h"
#include "TarvoBase/RunLoop.h"

int main() {
    tarvo::RunLoop loop;
    loop.post([&loop] {
        tarvo::PlainLog::write("tarvo: companion started; its main loop is running");
        loop.stop();
    });
    loop.run();
    return 0;
}
