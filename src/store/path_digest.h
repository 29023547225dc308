// Short stable names for paths: names of files and objects that must tell
// data files apart without spelling their paths.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tavrin {

// The 64-bit FNV-1a of the text's bytes.
std::uint64_t TextDigest(std::string_view text);
// That digest of a path as 16 lowercase hex digits.
std::string PathDigest(std::string_view path);

}  // namespace tavrin
