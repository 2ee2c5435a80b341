#include "TarvoCore/Panel/CookieJar.h"

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <utility>

#include "TarvoBase/AtomicFile.h"
#include "TarvoBase/FileCalls.h"
#include "TarvoBase/Json.h"
#include "TarvoBase/JsonReadError.h"
#include "TarvoBase/JsonReader.h"
#include "TarvoBase/PlainLog.h"

namespace tarvo {
namespace {

using std::chrono::duration_cast;
using std::chrono::seconds;

Json record(const Cookie& cookie) {
    return Json{{"name", cookie.name},
                {"value", cookie.value},
                {"domain", cookie.domain},
                {"hostOnly", cookie.hostOnly},
                {"path", cookie.path},
                {"expires", duration_cast<seconds>(cookie.expires->time_since_epoch()).count()},
                {"secure", cookie.secure},
                {"httpOnly", cookie.httpOnly}};
}

// A record the jar did not write is damage, and so is the whole file: a cookie read any other way
// could reach hosts and paths its answer never named.
Cookie fromRecord(const Json& json, const std::string& path) {
    const JsonReader reader(json, path);
    const std::int64_t expires = reader.int64("expires");
    constexpr std::int64_t latest = duration_cast<seconds>(Cookie::Date::duration::max()).count();
    if (expires < -latest || expires > latest) throw JsonReadError("\"" + path + ".expires\" is beyond what the clock holds");
    Cookie cookie{reader.string("name"),
                  reader.string("value"),
                  reader.string("domain"),
                  reader.boolean("hostOnly"),
                  reader.string("path"),
                  Cookie::Date(seconds(expires)),
                  reader.boolean("secure"),
                  reader.boolean("httpOnly")};
    if (!cookie.isWellFormed()) throw JsonReadError("\"" + path + "\" is not a cookie the panel keeps");
    return cookie;
}

bool sameSlot(const Cookie& a, const Cookie& b) {
    return a.name == b.name && a.domain == b.domain && a.path == b.path;
}

// The folders above the file that do not exist yet, made for its owner alone.
void makeFolders(const std::filesystem::path& folder) {
    if (folder.empty() || FileCalls::lstat(folder)) return;
    makeFolders(folder.parent_path());
    FileCalls::makeFolder(folder, 0700);
}

} // namespace

CookieJar::CookieJar(std::filesystem::path file) : file_(std::move(file)) { load(); }

void CookieJar::load() {
    std::string text;
    try {
        text = AtomicFile::read(*file_);
    } catch (const std::system_error& failure) {
        if (failure.code().value() != ENOENT) {
            PlainLog::write("tarvo: the panel's cookies in " + file_->string() + " could not be read (" +
                            failure.code().message() + ") — the panel starts without them");
        }
        return;
    }
    try {
        const auto json = JsonReader::parse(text);
        if (!json) throw JsonReadError("the file is not JSON");
        const JsonReader reader(*json);
        const Json& list = reader.array("cookies");
        for (std::size_t index = 0; index < list.size(); ++index) {
            cookies_.push_back(fromRecord(list[index], JsonReader::elementPath("cookies", index)));
        }
    } catch (const JsonReadError& failure) {
        cookies_.clear();
        PlainLog::write("tarvo: the panel's cookies in " + file_->string() + " could not be read (" +
                        failure.what() + ") — the panel starts without them");
    }
}

void CookieJar::keep(Cookie cookie, Cookie::Date now) {
    std::erase_if(cookies_, [&](const Cookie& kept) { return sameSlot(kept, cookie) || kept.isExpired(now); });
    if (!cookie.isExpired(now)) cookies_.push_back(std::move(cookie));
    save(now);
}

std::vector<Cookie> CookieJar::cookies(Cookie::Date now) const {
    std::vector<Cookie> live;
    std::copy_if(cookies_.begin(), cookies_.end(), std::back_inserter(live),
                 [now](const Cookie& cookie) { return !cookie.isExpired(now); });
    return live;
}

void CookieJar::save(Cookie::Date now) const {
    if (!file_) return;
    Json list = Json::array();
    for (const Cookie& cookie : cookies_) {
        if (cookie.expires && !cookie.isExpired(now)) list.push_back(record(cookie));
    }
    makeFolders(file_->parent_path());
    AtomicFile::write(*file_, Json{{"cookies", list}}.dump() + "\n");
}

} // namespace tarvo
