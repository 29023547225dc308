// The name under which a save writes the next content of a file, beside it.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <string_view>

namespace tavrin::platform {

// `<target>.saving-` and eight random letters and digits: programs saving the
// same file at once each write a file of their own, and a name planted in
// advance is hit only by chance (the creation then tries another). Another
// `use` names another kind of file beside the target the same way.
inline std::string TemporaryNameFor(const std::string& target, std::string_view use = "saving") {
    constexpr char kSymbols[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    constexpr std::uint64_t kSymbolCount = sizeof kSymbols - 1;
    std::random_device source;
    std::uint64_t bits = (std::uint64_t{source()} << 32) | source();
    std::string name = target + "." + std::string(use) + "-";
    for (int i = 0; i < 8; ++i, bits /= kSymbolCount) {
        name += kSymbols[bits % kSymbolCount];
    }
    return name;
}

}  // namespace tavrin::platform
