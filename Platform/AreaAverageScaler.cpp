#include "Platform/AreaAverageScaler.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace tarvo {
namespace {

// The weights of one result pixel add up to this; 14 bits keep both passes inside 32 bits.
constexpr std::uint32_t whole = 1u << 14;

struct Span {
    int first = 0;
    std::vector<std::uint32_t> weights;
};

// For each of `to` result pixels along one side, the source pixels of `from` it covers.
std::vector<Span> spans(int from, int to) {
    std::vector<Span> all(static_cast<std::size_t>(to));
    const double step = static_cast<double>(from) / to;
    for (int i = 0; i < to; ++i) {
        const double start = i * step;
        const double end = std::min<double>(from, (i + 1) * step);
        Span& span = all[static_cast<std::size_t>(i)];
        span.first = static_cast<int>(std::floor(start));
        const int last = std::min(from - 1, static_cast<int>(std::ceil(end)) - 1);
        std::uint32_t given = 0;
        std::size_t largest = 0;
        for (int j = span.first; j <= last; ++j) {
            const double covered = std::min<double>(end, j + 1) - std::max<double>(start, j);
            const auto weight = static_cast<std::uint32_t>(std::lround(covered / step * whole));
            if (!span.weights.empty() && weight > span.weights[largest]) largest = span.weights.size();
            span.weights.push_back(weight);
            given += weight;
        }
        // What rounding left over goes to the pixel that counts most, so a flat colour stays flat.
        span.weights[largest] += whole - given;
    }
    return all;
}

} // namespace

BgrxImage AreaAverageScaler::scaled(const BgrxImage& source, int width, int height) {
    if (width < 1 || height < 1 || width > source.width || height > source.height) {
        throw std::invalid_argument("the area-average scaler only makes pictures smaller");
    }
    if (width == source.width && height == source.height) return source;
    constexpr int channels = BgrxImage::bytesPerPixel;
    const std::vector<Span> across = spans(source.width, width);
    const std::vector<Span> down = spans(source.height, height);

    // Across each source row first, kept with 8 bits of fraction.
    std::vector<std::uint16_t> rows(static_cast<std::size_t>(width) * static_cast<std::size_t>(source.height) * channels);
    for (int y = 0; y < source.height; ++y) {
        std::uint16_t* out = rows.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * channels;
        for (const Span& span : across) {
            std::uint32_t sum[channels] = {};
            const std::uint8_t* in = source.at(span.first, y);
            for (const std::uint32_t weight : span.weights) {
                for (int c = 0; c < channels; ++c) sum[c] += weight * in[c];
                in += channels;
            }
            for (int c = 0; c < channels; ++c) *out++ = static_cast<std::uint16_t>((sum[c] + (1u << 5)) >> 6);
        }
    }

    BgrxImage result(width, height);
    std::vector<std::uint32_t> sum(static_cast<std::size_t>(width) * channels);
    for (int y = 0; y < height; ++y) {
        const Span& span = down[static_cast<std::size_t>(y)];
        std::ranges::fill(sum, 0u);
        for (std::size_t k = 0; k < span.weights.size(); ++k) {
            const std::uint16_t* in =
                rows.data() + static_cast<std::size_t>(span.first + static_cast<int>(k)) * sum.size();
            const std::uint32_t weight = span.weights[k];
            for (std::size_t i = 0; i < sum.size(); ++i) sum[i] += weight * in[i];
        }
        std::uint8_t* out = result.at(0, y);
        for (std::size_t i = 0; i < sum.size(); ++i) out[i] = static_cast<std::uint8_t>((sum[i] + (1u << 21)) >> 22);
    }
    return result;
}

} // namespace tarvo
