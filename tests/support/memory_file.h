// An in-memory ByteFile for tests and fuzzers: reads from and writes to a
// byte vector at a moving position, with short reads failing as on disk.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/byte_file.h"

namespace tavrin::testing {

class MemoryFile : public platform::ByteFile {
public:
    MemoryFile() = default;
    explicit MemoryFile(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

    bool Read(void* buffer, std::size_t length) override {
        if (length > bytes_.size() - position_) {
            position_ = bytes_.size();
            error_ = "unexpected end of file";
            return false;
        }
        std::memcpy(buffer, bytes_.data() + position_, length);
        position_ += length;
        return true;
    }
    bool Skip(std::uint64_t length) override {
        if (length > bytes_.size() - position_) {
            error_ = "unexpected end of file";
            return false;
        }
        position_ += static_cast<std::size_t>(length);
        return true;
    }
    bool Write(const void* data, std::size_t length) override {
        const auto* first = static_cast<const std::uint8_t*>(data);
        bytes_.resize(std::max(bytes_.size(), position_ + length));
        std::copy(first, first + length, bytes_.begin() + static_cast<std::ptrdiff_t>(position_));
        position_ += length;
        return true;
    }
    std::uint64_t Remaining() const override { return bytes_.size() - position_; }
    bool Sync() override { return true; }
    bool Close() override { return true; }
    const std::string& LastError() const override { return error_; }

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    void Rewind() { position_ = 0; }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t position_ = 0;
    std::string error_;
};

}  // namespace tavrin::testing
