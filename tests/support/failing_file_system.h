// A file system for tests of saving and loading: the local one, with one
// counted operation made to fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/byte_file.h"

namespace tavrin::testing {

// The local file system, with one counted operation made to fail: the Nth
// link resolution, create, write, sync, close, replace, folder sync or copy.
// Opening for reading can be made to report a file that exists but can't be
// opened, or one that is busy for a number of tries.
class FailingFileSystem : public platform::FileSystem {
public:
    static constexpr const char* kCause = "injected failure";

    void FailOperation(int number) { failAt_ = number; }
    int OperationCount() const { return operations_; }
    void RefuseOpening(bool refuse = true) { refuseOpening_ = refuse; }
    void BusyFor(int tries) { busyTries_ = tries; }
    int OpenCount() const { return opens_; }

    std::unique_ptr<platform::ByteFile> OpenForReading(const std::string& path,
                                                       platform::OpenFailure& failure,
                                                       std::string& error) override {
        ++opens_;
        if (refuseOpening_) {
            failure = platform::OpenFailure::Unreadable;
            error = "Permission denied";
            return nullptr;
        }
        if (opens_ <= busyTries_) {
            failure = platform::OpenFailure::Busy;
            error = "the file is in use by another program";
            return nullptr;
        }
        return local_.OpenForReading(path, failure, error);
    }
    bool ResolveLinks(const std::string& path, std::string& target,
                      std::string& error) override {
        return !Fails(error) && local_.ResolveLinks(path, target, error);
    }
    std::unique_ptr<platform::ByteFile> CreateTemporaryFor(const std::string& target,
                                                           std::string& temporary,
                                                           std::string& error) override {
        if (Fails(error)) {
            return nullptr;
        }
        auto file = local_.CreateTemporaryFor(target, temporary, error);
        return file != nullptr ? std::make_unique<File>(*this, std::move(file)) : nullptr;
    }
    bool Replace(const std::string& from, const std::string& to, std::string& error) override {
        return !Fails(error) && local_.Replace(from, to, error);
    }
    bool SyncFolderOf(const std::string& path, std::string& error) override {
        return !Fails(error) && local_.SyncFolderOf(path, error);
    }
    bool CopyToNew(const std::string& from, const std::string& to,
                   std::string& error) override {
        return !Fails(error) && local_.CopyToNew(from, to, error);
    }
    bool Exists(const std::string& path) override { return local_.Exists(path); }
    std::optional<platform::FileIdentity> IdentityOf(const std::string& path, platform::OpenFailure& failure,
                                                     std::string& error) override {
        return local_.IdentityOf(path, failure, error);
    }
    bool ListFiles(const std::string& folder, std::vector<std::string>& names, std::string& error) override {
        return local_.ListFiles(folder, names, error);
    }
    bool MakeFolders(const std::string& folder, std::string& error) override {
        return local_.MakeFolders(folder, error);
    }
    bool Remove(const std::string& path, std::string& error) override {
        return local_.Remove(path, error);
    }

private:
    class File : public platform::ByteFile {
    public:
        File(FailingFileSystem& owner, std::unique_ptr<platform::ByteFile> inner)
            : owner_(owner), inner_(std::move(inner)) {}
        bool Read(void* buffer, std::size_t length) override {
            return inner_->Read(buffer, length);
        }
        bool Write(const void* data, std::size_t length) override {
            return !owner_.Fails(error_) && inner_->Write(data, length);
        }
        std::uint64_t Remaining() const override { return inner_->Remaining(); }
        bool Sync() override { return !owner_.Fails(error_) && inner_->Sync(); }
        bool Close() override { return !owner_.Fails(error_) && inner_->Close(); }
        const std::string& LastError() const override {
            return error_.empty() ? inner_->LastError() : error_;
        }
        std::optional<platform::FileIdentity> Identity() const override { return inner_->Identity(); }

    private:
        FailingFileSystem& owner_;
        std::unique_ptr<platform::ByteFile> inner_;
        std::string error_;
    };

    bool Fails(std::string& error) {
        if (++operations_ != failAt_) {
            return false;
        }
        error = kCause;
        return true;
    }

    platform::FileSystem& local_ = platform::LocalFileSystem();
    int operations_ = 0;
    int failAt_ = 0;
    bool refuseOpening_ = false;
    int busyTries_ = 0;
    int opens_ = 0;
};

}  // namespace tavrin::testing
