// A file system for tests of saving and loading: the local one, with one
// counted operation made to fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/byte_file.h"

namespace tavrin::testing {

// The local file system, with one counted operation made to fail: the Nth
// link resolution, create, write, sync, close, replace, folder sync or copy.
// Opening for reading can be made to report a file that exists but can't be
// opened, or one that is busy for a number of tries; folder syncs can be
// refused for good, and so can replaces, with the new file to be kept.
class FailingFileSystem : public platform::FileSystem {
public:
    static constexpr const char* kCause = "injected failure";
    static constexpr const char* kFolderSyncRefused = "Invalid argument";

    void FailOperation(int number) { failAt_ = number; }
    int OperationCount() const { return operations_; }
    void RefuseOpening(bool refuse = true) { refuseOpening_ = refuse; }
    void BusyFor(int tries) { busyTries_ = tries; }
    // Every folder sync fails, as some network and FUSE file systems answer.
    void RefuseFolderSync() { refuseFolderSync_ = true; }
    // Every replace fails with the new file to be kept, as Windows' does
    // when ReplaceFile stops halfway and the new file can't be moved.
    void FailReplacesKeepingTheNewFile() { replaceKeepsNewFile_ = true; }
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
    std::optional<std::uint32_t> ForeignLinkOwner(const std::string& path) override {
        return local_.ForeignLinkOwner(path);
    }
    bool Replace(const std::string& from, const std::string& to, std::string& error,
                 platform::ReplaceNotes& notes) override {
        if (Fails(error)) {
            return false;
        }
        if (replaceKeepsNewFile_) {
            error = kCause;
            notes.keepFrom = true;
            return false;
        }
        return local_.Replace(from, to, error, notes);
    }
    bool SyncFolderOf(const std::string& path, std::string& error) override {
        if (Fails(error)) {
            return false;
        }
        if (refuseFolderSync_) {
            error = kFolderSyncRefused;
            return false;
        }
        return local_.SyncFolderOf(path, error);
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
    bool refuseFolderSync_ = false;
    bool replaceKeepsNewFile_ = false;
    int busyTries_ = 0;
    int opens_ = 0;
};

}  // namespace tavrin::testing
