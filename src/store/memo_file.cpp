#include "store/memo_file.h"

#include <array>
#include <memory>
#include <utility>

namespace tavrin {

MemoFile::MemoFile(platform::FileSystem& files, std::string corruptedWarning)
    : files_(files), corruptedWarning_(std::move(corruptedWarning)) {}

FileLoadResult MemoFile::Load(MemoList& list, const std::string& path,
                              platform::HostWindow* owner, ListLoadNotes* notes) {
    platform::OpenFailure failure = platform::OpenFailure::Missing;
    std::string error;
    std::unique_ptr<platform::ByteFile> file = files_.OpenForReading(path, failure, error);
    if (file == nullptr) {
        lastError_ = "Could not open " + path + ": " + error;
        if (failure == platform::OpenFailure::Unreadable) {
            unreadable_.insert(path);
        } else {
            unreadable_.erase(path);
        }
        return {};
    }
    const FileLoadResult loaded = Read(*file, list, owner, notes);
    if (loaded.readWhole) {
        lastError_.clear();
        unreadable_.erase(path);
    } else {
        unreadable_.insert(path);
        if (loaded.result != 0 && !loaded.magicMatched) {
            lastError_ = path + " does not begin with \"" + std::string(kMemoFileMagic) + "\"";
        } else if (loaded.result != 0) {
            lastError_ = path + " is not a memo file as the programs write it: its memo count "
                                "or current position does not match its memos";
        } else {
            // A page the program never writes is refused without a file error.
            const std::string cause = file->LastError().empty()
                                          ? "a page is not in a form the program writes"
                                          : file->LastError();
            lastError_ = "Could not read all memos of " + path + ": " + cause;
        }
    }
    return loaded;
}

FileLoadResult MemoFile::Read(platform::ByteFile& file, MemoList& list,
                              platform::HostWindow* owner, ListLoadNotes* notes) const {
    FileLoadResult loaded;
    loaded.opened = true;
    std::array<char, kMemoFileMagic.size()> magic{};
    // A file too short for the magic is not a memo data file; a read that
    // fails on a file long enough is a read error and changes nothing.
    const bool longEnough = file.Remaining() >= magic.size();
    if (longEnough && !file.Read(magic.data(), magic.size())) {
        return loaded;
    }
    if (!longEnough || std::string_view(magic.data(), magic.size()) != kMemoFileMagic) {
        if (owner != nullptr) {
            owner->ShowMessage(corruptedWarning_, "Warning", platform::MessageIcon::Warning);
        }
        loaded.result = 1;
        return loaded;
    }
    if (notes != nullptr) {
        notes->magicMatched = true;
    }
    loaded.magicMatched = true;
    ListLoadNotes ownNotes;
    ListLoadNotes& seen = notes != nullptr ? *notes : ownNotes;
    loaded.result = list.Load(file, owner, &seen);
    if (loaded.result == 0) {
        return loaded;
    }
    seen.trailingBytes = file.Remaining();
    // The programs never write a list without memos, a current position past
    // the last memo or bytes after it: such a file most likely lost memos to
    // a damaged count, so it is kept aside before a save replaces it.
    loaded.readWhole = seen.storedCount > 0 &&
                       seen.storedCurrentPosition < seen.storedCount && seen.trailingBytes == 0;
    return loaded;
}

int MemoFile::Save(const MemoList& list, const std::string& path) {
    std::string cause;
    if (!KeepUnreadableCopy(path, cause) || !WriteReplacing(list, path, cause)) {
        lastError_ = "Could not save " + path + ": " + cause;
        return 0;
    }
    lastError_.clear();
    unreadable_.erase(path);
    return 1;
}

// A file that did not read whole may still hold memos that some other tool
// can rescue; it is never replaced before a copy of it is safe beside it.
bool MemoFile::KeepUnreadableCopy(const std::string& path, std::string& cause) {
    if (!unreadable_.contains(path) || !files_.Exists(path)) {
        return true;
    }
    // Earlier copies are never overwritten; the bound keeps a folder whose
    // names can't be checked from making the search endless.
    constexpr int kMostCopies = 1000;
    for (int number = 1; number <= kMostCopies; ++number) {
        const std::string copy = path + ".unreadable-" + std::to_string(number);
        if (files_.Exists(copy)) {
            continue;
        }
        std::string error;
        if (!files_.CopyToNew(path, copy, error)) {
            cause = "could not keep a copy of the unreadable file as " + copy + ": " + error;
            return false;
        }
        // The copy is made once: later saves replace the file without another.
        unreadable_.erase(path);
        return true;
    }
    cause = "could not keep a copy of the unreadable file: no free name " + path +
            ".unreadable-N up to " + std::to_string(kMostCopies);
    return false;
}

// The list goes to a temporary file beside the data file, which replaces the
// data file in one step once it is whole on disk: a crash or a failure at any
// moment leaves either the old file or the new one, never a mix.
bool MemoFile::WriteReplacing(const MemoList& list, const std::string& path,
                              std::string& cause) {
    const std::string temporary = path + ".saving";
    std::string error;
    std::unique_ptr<platform::ByteFile> file = files_.CreateForWriting(temporary, error);
    if (file == nullptr) {
        cause = "could not create " + temporary + ": " + error;
        return false;
    }
    const bool written = file->Write(kMemoFileMagic.data(), kMemoFileMagic.size()) &&
                         list.Save(*file) != 0 && file->Sync() && file->Close();
    if (!written) {
        // A page that can't be packed fails without a file error.
        cause = file->LastError().empty() ? "a memo's page could not be written"
                                          : file->LastError();
        file.reset();
        RemoveTemporary(temporary, cause);
        return false;
    }
    file.reset();
    if (!files_.Replace(temporary, path, cause)) {
        RemoveTemporary(temporary, cause);
        return false;
    }
    if (!files_.SyncFolderOf(path, cause)) {
        cause += " (the new file is in place, but may not survive a power failure)";
        return false;
    }
    return true;
}

void MemoFile::RemoveTemporary(const std::string& temporary, std::string& cause) {
    std::string error;
    if (!files_.Remove(temporary, error)) {
        cause += "; the temporary file " + temporary + " could not be removed: " + error;
    }
}

}  // namespace tavrin
