#include "Platform/AreaAverageScaler.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace tarvo {
namespace {

// The weights of one result pixel add up to this; 14 bits keep both passes inside 32 bits.
constexpr std::uint32_t whole = 1u << 14;
constexpr int channels = BgrxImage::bytesPerPixel;

// For each of `to` result pixels along one side of `from`, the first source pixel it covers and
// the weights of the ones it covers, all in flat arrays.
struct Spans {
    std::vector<int> first;
    std::vector<int> count;
    std::vector<std::uint32_t> weights;
    std::vector<std::size_t> start;

    Spans(int from, int to) : first(static_cast<std::size_t>(to)), count(first.size()), start(first.size()) {
        const double step = static_cast<double>(from) / to;
        for (std::size_t i = 0; i < first.size(); ++i) {
            const double begin = static_cast<double>(i) * step;
            const double end = std::min<double>(from, static_cast<double>(i + 1) * step);
            first[i] = static_cast<int>(std::floor(begin));
            const int last = std::min(from - 1, static_cast<int>(std::ceil(end)) - 1);
            start[i] = weights.size();
            std::uint32_t given = 0;
            std::size_t largest = start[i];
            for (int j = first[i]; j <= last; ++j) {
                const double covered = std::min<double>(end, j + 1) - std::max<double>(begin, j);
                const auto weight = static_cast<std::uint32_t>(std::lround(covered / step * whole));
                if (weights.size() > start[i] && weight > weights[largest]) largest = weights.size();
                weights.push_back(weight);
                given += weight;
            }
            count[i] = last - first[i] + 1;
            // What rounding left over goes to the pixel that counts most, so a flat colour stays flat.
            weights[largest] += whole - given;
        }
    }
};

} // namespace

BgrxImage AreaAverageScaler::scaled(const BgrxImage& source, int width, int height) {
    if (width < 1 || height < 1 || width > source.width || height > source.height) {
        throw std::invalid_argument("the area-average scaler only makes pictures smaller");
    }
    if (width == source.width && height == source.height) return source;
    const Spans across(source.width, width);
    const Spans down(source.height, height);
    const std::size_t sourceRow = static_cast<std::size_t>(source.width) * channels;

    // Each result row: down the columns of the source rows it covers, whole rows at a time and
    // kept with 8 bits of fraction, then across that one row. One row is all that is kept between
    // the two, which keeps the work in the cache.
    BgrxImage result(width, height);
    std::vector<std::uint32_t> sum(sourceRow);
    std::vector<std::uint16_t> row(sourceRow);
    for (int y = 0; y < height; ++y) {
        const auto yi = static_cast<std::size_t>(y);
        std::ranges::fill(sum, 0u);
        const std::uint32_t* weight = down.weights.data() + down.start[yi];
        for (int k = 0; k < down.count[yi]; ++k) {
            const std::uint8_t* in = source.at(0, down.first[yi] + k);
            const std::uint32_t w = weight[k];
            for (std::size_t i = 0; i < sourceRow; ++i) sum[i] += w * in[i];
        }
        for (std::size_t i = 0; i < sourceRow; ++i) row[i] = static_cast<std::uint16_t>((sum[i] + (1u << 5)) >> 6);

        std::uint8_t* out = result.at(0, y);
        for (std::size_t x = 0; x < across.first.size(); ++x) {
            const std::uint16_t* pixel = row.data() + static_cast<std::size_t>(across.first[x]) * channels;
            const std::uint32_t* acrossWeight = across.weights.data() + across.start[x];
            std::uint32_t b = 0, g = 0, r = 0, a = 0;
            for (int k = 0; k < across.count[x]; ++k, pixel += channels) {
                b += acrossWeight[k] * pixel[0];
                g += acrossWeight[k] * pixel[1];
                r += acrossWeight[k] * pixel[2];
                a += acrossWeight[k] * pixel[3];
            }
            out[0] = static_cast<std::uint8_t>((b + (1u << 21)) >> 22);
            out[1] = static_cast<std::uint8_t>((g + (1u << 21)) >> 22);
            out[2] = static_cast<std::uint8_t>((r + (1u << 21)) >> 22);
            out[3] = static_cast<std::uint8_t>((a + (1u << 21)) >> 22);
            out += channels;
        }
    }
    return result;
}

} // namespace tarvo
