#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "Platform/FileSecretStore.h"
#include "TarvoBase/FileSettingsStore.h"
#include "TarvoBase/JsonReader.h"

// The files the companion keeps its own state in: the settings file (first byte even) or the
// token file (first byte odd), holding any bytes.
//
// A file that reads whole is read whole and left as it is; one that does not is kept aside,
// byte for byte, and nothing of it is read. Either way what is stored next reads back.
namespace {

using namespace tarvo;
using fuzz::require;
namespace fs = std::filesystem;

std::optional<std::string> contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void write(const fs::path& file, std::string_view bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

// The damaged file under its new name, and nothing at the old one.
void requireKeptAside(const fs::path& file, std::string_view bytes) {
    require(!fs::exists(fs::symlink_status(file)));
    fs::path aside = file;
    aside += ".corrupt-1";
    require(contents(aside) == std::string(bytes));
}

void settings(std::string_view bytes) {
    const fs::path folder = fuzz::workFolder();
    const fs::path file = folder / "settings.json";
    write(file, bytes);
    const auto parsed = JsonReader::parse(bytes);
    const bool whole = parsed && parsed->is_object();
    const Json probe = "probe value";
    {
        FileSettingsStore store(folder);
        if (whole) {
            for (const auto& [key, value] : parsed->items()) require(store.object(key) == value);
            require(contents(file) == std::string(bytes));
        } else {
            requireKeptAside(file, bytes);
        }
        store.set(probe, "TarvoFuzzProbe");
    }
    // What was read, and what was stored after, reads back; nothing else does.
    Json expected = whole ? *parsed : Json::object();
    expected["TarvoFuzzProbe"] = probe;
    const auto reread = JsonReader::parse(contents(file).value_or(""));
    require(reread && fuzz::sameValue(*reread, expected));
    const FileSettingsStore again(folder);
    for (const auto& [key, value] : expected.items()) require(again.object(key) == value);
}

void tokens(std::string_view bytes) {
    const fs::path folder = fuzz::workFolder() / "com.tarvo.companion";
    fs::create_directories(folder);
    const fs::path file = folder / "secrets.json";
    write(file, bytes);
    const auto parsed = JsonReader::parse(bytes);
    bool whole = parsed && parsed->is_object();
    if (whole) {
        for (const auto& value : *parsed) whole = whole && value.is_string();
    }
    FileSecretStore store(folder);
    const std::optional<std::string> access = store.read("accessToken");
    if (whole) {
        require(access == (parsed->contains("accessToken") ? std::optional((*parsed)["accessToken"].get<std::string>())
                                                            : std::nullopt));
        require(contents(file) == std::string(bytes));
    } else {
        require(!access);
        requireKeptAside(file, bytes);
    }
    require(store.write({{"accessToken", "access-2"}, {"refreshToken", "refresh-2"}}));
    Json expected = whole ? *parsed : Json::object();
    expected["accessToken"] = "access-2";
    expected["refreshToken"] = "refresh-2";
    const auto reread = JsonReader::parse(contents(file).value_or(""));
    require(reread && fuzz::sameValue(*reread, expected));
    FileSecretStore again(folder);
    for (const auto& [account, secret] : expected.items()) require(again.read(account) == secret.get<std::string>());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    fuzz::clearWorkFolder();
    const auto bytes = fuzz::text(data + 1, size - 1);
    if (data[0] % 2 == 0) {
        settings(bytes);
    } else {
        tokens(bytes);
    }
    return 0;
}
