#include "Support/ServiceRecord.h"

#include <fstream>
#include <sstream>
#include <thread>

#include "TarvoBase/Clock.h"

namespace tarvo::testing {

std::vector<Json> ServiceRecord::requests() const {
    std::ifstream in(file_, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string all = text.str();
    std::vector<Json> lines;
    std::size_t start = 0;
    for (std::size_t end = all.find('\n'); end != std::string::npos; end = all.find('\n', start)) {
        lines.push_back(Json::parse(all.substr(start, end - start)));
        start = end + 1;
    }
    return lines;
}

std::vector<Json> ServiceRecord::requests(const std::string& method, const std::string& path) const {
    std::vector<Json> matching;
    for (Json& request : requests()) {
        const std::string recorded = request["path"];
        const bool matches = path.ends_with('/') ? recorded.starts_with(path) : recorded == path;
        if (request["method"] == method && matches) matching.push_back(std::move(request));
    }
    return matching;
}

bool ServiceRecord::waitUntil(const std::function<bool(const ServiceRecord&)>& holds,
                              std::chrono::seconds limit) const {
    const SystemClock clock;
    const auto deadline = clock.now() + limit;
    while (!holds(*this)) {
        if (clock.now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

} // namespace tarvo::testing
