// Random pixel bytes and packed item streams shaped like real pages and like
// damaged ones, for the codec's and the save's comparisons with the reference.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace tavrin::testing {

// Bytes in runs of random lengths (1 to 200) over a few values, with stretches
// of noise, so that runs cross every length the packer cuts at.
inline std::vector<std::uint8_t> RandomRunBytes(std::mt19937& random, std::size_t length) {
    std::uniform_int_distribution<int> anyByte(0, 255);
    std::uniform_int_distribution<int> runLength(1, 200);
    std::uniform_int_distribution<int> kind(0, 9);
    const std::uint8_t values[] = {0xFF, 0x00, 0x3F, 0x40, 0xF0, 0x0F,
                                   static_cast<std::uint8_t>(anyByte(random))};
    std::uniform_int_distribution<std::size_t> pick(0, std::size(values) - 1);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(length);
    while (bytes.size() < length) {
        const int shape = kind(random);
        const std::size_t run = static_cast<std::size_t>(runLength(random));
        for (std::size_t k = 0; k < run && bytes.size() < length; ++k) {
            bytes.push_back(shape == 0 ? static_cast<std::uint8_t>(anyByte(random))
                                       : values[static_cast<std::size_t>(shape) % std::size(values)]);
        }
        if (shape == 1) {
            bytes.push_back(values[pick(random)]);
        }
    }
    bytes.resize(length);
    return bytes;
}

// A packed stream of `items` items as any writer might make it: counts of 0
// to 63 (many of 63 and 1), literals, values repeated across items, and
// sometimes a count left without its value at the end.
inline std::vector<std::uint8_t> RandomItems(std::mt19937& random, std::size_t items) {
    std::uniform_int_distribution<int> anyByte(0, 255);
    std::uniform_int_distribution<int> kind(0, 7);
    std::uniform_int_distribution<int> count(0, 63);
    std::vector<std::uint8_t> stream;
    std::uint8_t value = 0xFF;
    for (std::size_t i = 0; i < items; ++i) {
        const int shape = kind(random);
        if (shape >= 5) {
            value = static_cast<std::uint8_t>(anyByte(random));
        }
        if (shape == 0 && value >= 64) {
            stream.push_back(value);
            continue;
        }
        const int n = shape == 1 ? 63 : shape == 2 ? 1 : count(random);
        stream.push_back(static_cast<std::uint8_t>(n));
        stream.push_back(value);
    }
    if (kind(random) == 0) {
        stream.push_back(static_cast<std::uint8_t>(count(random)));
    }
    return stream;
}

}  // namespace tavrin::testing
