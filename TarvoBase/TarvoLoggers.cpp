#include "TarvoBase/TarvoLoggers.h"

#include "TarvoBase/BundleIdentifier.h"

namespace tarvo::TarvoLog {
namespace {

Logger made(std::string_view category) { return Logger(std::string(bundleIdentifier), std::string(category)); }

} // namespace

const Logger& capture() {
    static const Logger logger = made("capture");
    return logger;
}

const Logger& relay() {
    static const Logger logger = made("relay");
    return logger;
}

const Logger& updates() {
    static const Logger logger = made("updates");
    return logger;
}

const Logger& operating() {
    static const Logger logger = made("operator");
    return logger;
}

} // namespace tarvo::TarvoLog
