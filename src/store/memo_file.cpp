#include "store/memo_file.h"

#include <array>
#include <cstdint>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>

#include "store/little_endian.h"

namespace tavrin {

namespace {

// The memo (1-based) at which a list that did not read whole stopped: the
// last one tried when its record or page failed, the next one when no memo
// could be made for it; 0 when the list header was not read.
std::uint32_t StoppedAtMemo(const ListLoadNotes& notes) {
    if (!notes.headerRead) {
        return 0;
    }
    const bool lastFailed = !notes.records.empty() &&
                            !(notes.records.back().recordRead && notes.records.back().pageRead);
    return static_cast<std::uint32_t>(notes.records.size()) + (lastFailed ? 0 : 1);
}

std::string CauseOf(const FileLoadReport& report, const platform::ByteFile& file) {
    if (report.outcome == LoadOutcome::OutOfMemory) {
        return "not enough memory at memo " + std::to_string(report.memo);
    }
    // A page the program never writes is refused without a file error.
    return file.LastError().empty() ? "a page is not in a form the program writes"
                                    : file.LastError();
}

enum class Magic { Matched, Wrong, ReadFailed };

// A file too short for the magic is not a memo data file; a read that fails
// on a file long enough is a read error.
Magic ReadMagic(platform::ByteFile& file) {
    std::array<char, kMemoFileMagic.size()> magic{};
    if (file.Remaining() < magic.size()) {
        return Magic::Wrong;
    }
    if (!file.Read(magic.data(), magic.size())) {
        return Magic::ReadFailed;
    }
    return std::string_view(magic.data(), magic.size()) == kMemoFileMagic ? Magic::Matched
                                                                          : Magic::Wrong;
}

std::string ReadFailure(const platform::ByteFile& file, const std::string& what) {
    return what + (file.LastError().empty() ? "" : ": " + file.LastError());
}

}  // namespace

CurrentMemoOutcome ReadCurrentMemo(platform::ByteFile& file, MemoEntry& entry,
                                   std::string& cause) {
    const Magic magic = ReadMagic(file);
    if (magic != Magic::Matched) {
        cause = magic == Magic::Wrong
                    ? "it does not begin with \"" + std::string(kMemoFileMagic) + "\""
                    : ReadFailure(file, "its first bytes can't be read");
        return magic == Magic::Wrong ? CurrentMemoOutcome::WrongMagic : CurrentMemoOutcome::Damaged;
    }
    std::array<std::uint8_t, 4> header{};
    if (!file.Read(header.data(), header.size())) {
        cause = ReadFailure(file, "the memo count and current position are cut short");
        return CurrentMemoOutcome::Damaged;
    }
    const std::uint16_t count = GetU16(header.data());
    const std::uint16_t current = GetU16(header.data() + 2);
    if (current >= count) {
        cause = "the current position " + std::to_string(current) + " is not below the memo count " +
                std::to_string(count);
        return CurrentMemoOutcome::Damaged;
    }
    for (std::uint16_t position = 0; position < current; ++position) {
        if (!file.Skip(MemoEntry::kRecordSize) || PageImage::SkipBlock(file) == 0) {
            cause = ReadFailure(file, "memo " + std::to_string(position + 1) +
                                          " is cut short or its page is not one the programs write");
            return CurrentMemoOutcome::Damaged;
        }
    }
    PageDataArena room(0);
    RecordLoadNotes notes;
    if (entry.Load(file, room, &notes) == 0 || entry.page.CheckItems(&notes.page) == 0) {
        if (notes.page.outOfMemory) {
            cause = "not enough memory for the current memo's page";
            return CurrentMemoOutcome::OutOfMemory;
        }
        cause = ReadFailure(file, "the current memo " + std::to_string(current + 1) +
                                      " is cut short or its page is not one the programs write");
        return CurrentMemoOutcome::Damaged;
    }
    return CurrentMemoOutcome::Read;
}

MemoFile::MemoFile(platform::FileSystem& files) : files_(files) {}

void MemoFile::TakeStateOf(MemoFile& other) {
    lastError_ = std::move(other.lastError_);
    links_.TakeStateOf(other.links_);
    unreadable_ = std::move(other.unreadable_);
    unopened_ = std::move(other.unopened_);
    known_ = std::move(other.known_);
}

FileLoadReport MemoFile::Load(MemoList& list, const std::string& path) {
    links_.NoteLoaded(path);
    platform::OpenFailure failure = platform::OpenFailure::Missing;
    std::string error;
    std::unique_ptr<platform::ByteFile> file = OpenWaitingWhileBusy(path, failure, error);
    unopened_.erase(path);
    known_.erase(path);
    if (file == nullptr) {
        lastError_ = "Could not open " + path + ": " + error;
        unreadable_.erase(path);
        if (failure != platform::OpenFailure::Missing) {
            unopened_.emplace(path, Unopened{error, failure == platform::OpenFailure::Busy});
        } else {
            Remember(path, std::nullopt, nullptr);
        }
        return {};
    }
    FileLoadReport report = Read(*file, list);
    Remember(path, file->Identity(), report.outcome == LoadOutcome::ReadWhole ? &list : nullptr);
    if (report.outcome == LoadOutcome::ReadWhole) {
        lastError_.clear();
        unreadable_.erase(path);
    } else if (report.outcome == LoadOutcome::WrongMagic) {
        unreadable_.insert(path);
        lastError_ = path + " does not begin with \"" + std::string(kMemoFileMagic) + "\"";
    } else if (report.outcome == LoadOutcome::NotAsWritten) {
        unreadable_.insert(path);
        lastError_ = path + " is not a memo file as the programs write it: its memo count or "
                            "current position does not match its memos";
    } else {
        unreadable_.insert(path);
        lastError_ = "Could not read all memos of " + path + ": " + CauseOf(report, *file);
    }
    return report;
}

// A program that reads the file or writes it in place holds it only for a
// moment: waiting for it keeps a busy file from being taken for a lost one.
std::unique_ptr<platform::ByteFile> MemoFile::OpenWaitingWhileBusy(const std::string& path,
                                                                   platform::OpenFailure& failure,
                                                                   std::string& error) {
    constexpr std::chrono::milliseconds kRetryEvery{50};
    const auto deadline = std::chrono::steady_clock::now() + kBusyWait;
    for (;;) {
        std::unique_ptr<platform::ByteFile> file = files_.OpenForReading(path, failure, error);
        if (file != nullptr || failure != platform::OpenFailure::Busy ||
            std::chrono::steady_clock::now() >= deadline) {
            return file;
        }
        std::this_thread::sleep_for(kRetryEvery);
    }
}

FileLoadReport MemoFile::Read(platform::ByteFile& file, MemoList& list) const {
    FileLoadReport report;
    report.outcome = LoadOutcome::ReadFailed;
    // A read error changes nothing.
    switch (ReadMagic(file)) {
        case Magic::ReadFailed: return report;
        case Magic::Wrong: report.outcome = LoadOutcome::WrongMagic; return report;
        case Magic::Matched: break;
    }
    report.notes.magicMatched = true;
    if (list.Load(file, &report.notes) != 0) {
        const ListLoadNotes& notes = report.notes;
        report.notes.trailingBytes = file.Remaining();
        report.outcome = notes.storedCount > 0 && notes.storedCurrentPosition < notes.storedCount &&
                                 notes.trailingBytes == 0
                             ? LoadOutcome::ReadWhole
                             : LoadOutcome::NotAsWritten;
        return report;
    }
    if (report.notes.outOfMemory) {
        report.outcome = LoadOutcome::OutOfMemory;
    }
    report.memo = StoppedAtMemo(report.notes);
    return report;
}

int MemoFile::Save(MemoList& list, const std::string& path, MergedAlarms* alarms, SaveMode mode) {
    lastMerge_ = {};
    stoppedForMerge_ = false;
    warning_.clear();
    std::string cause;
    std::string target;
    if (!MayReplace(path, cause) || !links_.MayFollow(path, cause) ||
        !files_.ResolveLinks(path, target, cause) ||
        !MergeChangesOnDisk(list, path, target, alarms, mode, cause) || !KeepUnreadableCopy(path, cause)) {
        lastError_ = "Could not save " + path + ": " + cause;
        return 0;
    }
    // A backup that can't be made must not keep the memos from being saved.
    std::string notBackedUp;
    if (backups_ != nullptr && !backups_->BeforeReplacing(target, notBackedUp)) {
        notBackedUp = "No backup of the day was kept: " + notBackedUp;
    }
    if (!WriteReplacing(list, path, cause)) {
        lastError_ = "Could not save " + path + ": " + cause;
        return 0;
    }
    lastError_.clear();
    unreadable_.erase(path);
    platform::OpenFailure failure = platform::OpenFailure::Missing;
    std::string error;
    Remember(path, files_.IdentityOf(target, failure, error), &list);
    AddWarning(notBackedUp);
    KeepMergedCopies(path);
    return 1;
}

void MemoFile::KeepBackupsIn(std::string folder, const platform::Clock& clock) {
    backups_ = std::make_unique<MemoBackups>(files_, std::move(folder), clock);
}

MergeReport MemoFile::MergeConflictCopies(MemoList& list, const std::string& path, MergedAlarms* alarms) {
    warning_.clear();
    MergeReport total;
    if (backups_ == nullptr) return total;
    for (const std::string& copy : ConflictCopiesOf(files_, path)) {
        MemoList theirs;
        platform::OpenFailure failure = platform::OpenFailure::Missing;
        std::string error;
        std::unique_ptr<platform::ByteFile> file = OpenWaitingWhileBusy(copy, failure, error);
        if (file == nullptr || Read(*file, theirs).outcome != LoadOutcome::ReadWhole) {
            AddWarning("The conflict copy " + copy + " was left as it is: it could not be read whole" +
                       (error.empty() ? std::string() : " (" + error + ")"));
            continue;
        }
        std::string cause;
        const MergeReport merged = MergeMemoLists(nullptr, list, theirs, alarms, cause);
        if (!merged.merged) {
            AddWarning("The conflict copy " + copy + " was left as it is: " + cause);
            continue;
        }
        total.merged = true;
        total.changedElsewhere += merged.changedElsewhere;
        mergedCopies_[path].push_back(copy);
    }
    return total;
}

// Only once their memos are in the data file: until then a copy stays
// where the next start finds it again.
void MemoFile::KeepMergedCopies(const std::string& path) {
    const auto copies = mergedCopies_.find(path);
    if (copies == mergedCopies_.end()) return;
    for (const std::string& copy : copies->second) {
        std::string cause;
        if (!backups_->Keep(copy, cause)) AddWarning("A merged conflict copy was not moved to the backups: " + cause);
    }
    mergedCopies_.erase(copies);
}

void MemoFile::AddWarning(const std::string& warning) {
    if (warning.empty()) return;
    if (!warning_.empty()) warning_ += "\n";
    warning_ += warning;
}

// A sync tool or another machine's Tavrin may have replaced the file (or
// written it in place) since it was read: saving over it would lose what
// they wrote, and the sync tool would carry that loss everywhere. Its memos
// are merged into the list first, against the memos as they were read.
bool MemoFile::MergeChangesOnDisk(MemoList& list, const std::string& path, const std::string& target,
                                  MergedAlarms* alarms, SaveMode mode, std::string& cause) {
    const auto known = known_.find(path);
    // A file this program never read is saved as it always was.
    if (known == known_.end()) {
        return true;
    }
    platform::OpenFailure failure = platform::OpenFailure::Missing;
    std::string error;
    const std::optional<platform::FileIdentity> now = files_.IdentityOf(target, failure, error);
    if (!now && failure != platform::OpenFailure::Missing) {
        cause = "could not look at " + target + ": " + error;
        return false;
    }
    // Unchanged, or gone: the list is all there is to save.
    if (now == known->second.identity || !now) {
        return true;
    }
    if (mode == SaveMode::StopIfChanged) {
        stoppedForMerge_ = true;
        cause = "another program changed the file; it is merged at the next save";
        return false;
    }
    std::unique_ptr<platform::ByteFile> file = OpenWaitingWhileBusy(target, failure, error);
    if (file == nullptr) {
        cause = "another program changed the file, and it can't be read now to keep its memos (" +
                error + ")";
        return false;
    }
    MemoList theirs;
    if (Read(*file, theirs).outcome != LoadOutcome::ReadWhole) {
        // Never merged, never lost: the save keeps a copy of it beside.
        unreadable_.insert(path);
        return true;
    }
    lastMerge_ = MergeMemoLists(known->second.memos.get(), list, theirs, alarms, cause);
    if (!lastMerge_.merged) {
        cause = "could not merge the memos another program changed: " + cause;
        return false;
    }
    return true;
}

void MemoFile::Remember(const std::string& path, std::optional<platform::FileIdentity> identity,
                        const MemoList* memos) {
    KnownFile& known = known_[path];
    known.identity = identity;
    known.memos.reset();
    if (memos != nullptr) {
        // Without room for the copy a later merge keeps every memo of both
        // sides: nothing deleted elsewhere is taken for deleted.
        auto copy = std::make_unique<MemoList>();
        if (copy->CopyOf(*memos) != 0) known.memos = std::move(copy);
    }
}

std::optional<std::string> MemoFile::SaveBeside(const MemoList& list, const std::string& path) {
    warning_.clear();
    std::string cause;
    std::optional<std::string> beside = FreeName(path + ".saved-", cause);
    if (beside && WriteReplacing(list, *beside, cause)) {
        lastError_.clear();
        return beside;
    }
    lastError_ = "Could not save the memos beside " + path + ": " + cause;
    return std::nullopt;
}

int MemoFile::SaveCopy(const MemoList& list, const std::string& path) {
    warning_.clear();
    std::string cause;
    if (!WriteReplacing(list, path, cause)) {
        lastError_ = "Could not save the memos to " + path + ": " + cause;
        return 0;
    }
    lastError_.clear();
    return 1;
}

std::optional<std::string> MemoFile::SaveRescueCopy(const MemoList& list, const std::string& folder,
                                                    const std::string& dataPath) {
    std::string cause;
    if (folder.empty()) {
        cause = "no folder for a rescue copy";
    } else if (!files_.MakeFolders(folder, cause)) {
        cause = "could not make " + folder + ": " + cause;
    } else {
        const std::size_t nameStart = dataPath.find_last_of("/\\") + 1;
        const char separator = folder.find('\\') != std::string::npos ? '\\' : '/';
        std::optional<std::string> rescue =
            FreeName(folder + separator + dataPath.substr(nameStart) + ".rescued-", cause);
        if (rescue && WriteReplacing(list, *rescue, cause)) {
            lastError_.clear();
            return rescue;
        }
    }
    lastError_ = "Could not save a rescue copy of the memos: " + cause;
    return std::nullopt;
}

std::optional<std::string> MemoFile::UnreadReason(const std::string& path) const {
    const auto unopened = unopened_.find(path);
    if (unopened == unopened_.end()) return std::nullopt;
    if (unopened->second.busy) return "The memo file " + path + " is in use by another program.";
    return "The memo file " + path + " can't be opened: " + unopened->second.cause + ".";
}

// The memos of a file that could not be opened are not in the list: saving
// over it would lose them all. It is kept until a load opens it, or it is gone.
bool MemoFile::MayReplace(const std::string& path, std::string& cause) {
    const auto unopened = unopened_.find(path);
    if (unopened == unopened_.end() || !files_.Exists(path)) {
        return true;
    }
    cause = "the file could not be read (" + unopened->second.cause +
            "), so it is kept as it is: replacing it would lose its memos";
    return false;
}

// A file that did not read whole may still hold memos that some other tool
// can rescue; it is never replaced before a copy of it is safe beside it.
bool MemoFile::KeepUnreadableCopy(const std::string& path, std::string& cause) {
    if (!unreadable_.contains(path) || !files_.Exists(path)) {
        return true;
    }
    const std::optional<std::string> copy = FreeName(path + ".unreadable-", cause);
    if (!copy) {
        cause = "could not keep a copy of the unreadable file: " + cause;
        return false;
    }
    std::string error;
    if (!files_.CopyToNew(path, *copy, error)) {
        cause = "could not keep a copy of the unreadable file as " + *copy + ": " + error;
        return false;
    }
    // The copy is made once: later saves replace the file without another.
    unreadable_.erase(path);
    return true;
}

// `<prefix>N` for the first N that names nothing yet. Earlier files are never
// overwritten; the bound keeps a folder whose names can't be checked from
// making the search endless.
std::optional<std::string> MemoFile::FreeName(const std::string& prefix, std::string& cause) {
    constexpr int kMostNames = 1000;
    for (int number = 1; number <= kMostNames; ++number) {
        std::string name = prefix + std::to_string(number);
        if (!files_.Exists(name)) {
            return name;
        }
    }
    cause = "no free name " + prefix + "N up to " + std::to_string(kMostNames);
    return std::nullopt;
}

// The list goes to a new file of its own beside the data file, which
// replaces the data file in one step once it is whole on disk: a crash or a
// failure at any moment leaves either the old file or the new one, never a
// mix, and programs saving at once never write into each other's file. A
// data file that is a link stays one: the file it leads to is replaced.
bool MemoFile::WriteReplacing(const MemoList& list, const std::string& path,
                              std::string& cause) {
    if (!links_.MayFollow(path, cause)) {
        return false;
    }
    std::string target;
    if (!files_.ResolveLinks(path, target, cause)) {
        cause = "could not follow the link " + path + ": " + cause;
        return false;
    }
    std::string temporary;
    std::string error;
    std::unique_ptr<platform::ByteFile> file = files_.CreateTemporaryFor(target, temporary, error);
    if (file == nullptr) {
        cause = "could not create a new file beside " + target + ": " + error;
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
    platform::ReplaceNotes notes;
    if (!files_.Replace(temporary, target, cause, notes)) {
        if (!notes.keepFrom) {
            RemoveTemporary(temporary, cause);
        }
        return false;
    }
    WarnOfWhatIsLeft(target, notes.warning);
    return true;
}

// Once the new file is in place the save has worked: what could not be done
// after that is a warning.
void MemoFile::WarnOfWhatIsLeft(const std::string& target, std::string left) {
    std::string error;
    if (!files_.SyncFolderOf(target, error)) {
        if (!left.empty()) {
            left += "; ";
        }
        left += "its folder could not be synced (" + error +
                "), so the save may not survive a power failure";
    }
    if (!left.empty()) {
        AddWarning("The memos were saved to " + target + ", but " + left);
    }
}

void MemoFile::RemoveTemporary(const std::string& temporary, std::string& cause) {
    std::string error;
    if (!files_.Remove(temporary, error)) {
        cause += "; the temporary file " + temporary + " could not be removed: " + error;
    }
}

BackgroundLoad::BackgroundLoad(platform::FileSystem& files, const platform::Clock& clock,
                               std::string path)
    : path_(std::move(path)), file_(files), list_(clock) {
    try {
        reader_ = std::thread([this] { Read(); });
    } catch (const std::system_error&) {
        // Without a thread the file is read now.
        Read();
    }
}

BackgroundLoad::BackgroundLoad(std::string path)
    : BackgroundLoad(platform::LocalFileSystem(), platform::SystemClock(), std::move(path)) {}

BackgroundLoad::~BackgroundLoad() {
    if (reader_.joinable()) reader_.join();
}

FileLoadReport BackgroundLoad::TakeInto(MemoFile& file, MemoList& list) {
    if (reader_.joinable()) reader_.join();
    list.Swap(list_);
    file.TakeStateOf(file_);
    return std::move(report_);
}

}  // namespace tavrin
