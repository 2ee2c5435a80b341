#include "TarvoCore/WhatsApp/PictureType.h"

#include <array>

namespace tarvo::WhatsAppWeb {
namespace {

// The brands of an ISO media file that hold HEIF pictures.
constexpr std::array<std::string_view, 7> heifBrands = {"heic", "heix", "heim", "heis", "hevc", "mif1", "msf1"};

} // namespace

std::optional<std::string> pictureType(std::string_view bytes) {
    using namespace std::string_view_literals;
    if (bytes.starts_with("\x89PNG\r\n\x1a\n"sv)) return "image/png";
    if (bytes.starts_with("\xff\xd8\xff"sv)) return "image/jpeg";
    if (bytes.starts_with("GIF87a"sv) || bytes.starts_with("GIF89a"sv)) return "image/gif";
    if (bytes.size() >= 12 && bytes.starts_with("RIFF"sv) && bytes.substr(8, 4) == "WEBP"sv) return "image/webp";
    if (bytes.size() >= 12 && bytes.substr(4, 4) == "ftyp"sv) {
        for (const std::string_view brand : heifBrands) {
            if (bytes.substr(8, 4) == brand) return "image/heic";
        }
    }
    return std::nullopt;
}

} // namespace tarvo::WhatsAppWeb
