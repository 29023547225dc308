// tavrin-file thumbnail: a small picture of a file's current memo, as file
// managers ask of a thumbnailer for every memo file of a folder they show.
// It reads the file only as far as that memo and unpacks no other page, so
// that a file of thousands of memos costs what a small one does.
#include <memory>
#include <optional>

#include "platform/byte_file.h"
#include "platform/image_file.h"
#include "store/memo_file.h"
#include "store/page_reduction.h"
#include "tools/commands.h"
#include "tools/loaded_file.h"

namespace tavrin::file_tool {

int Thumbnail(const std::string& path, const std::string& target, std::int32_t size) {
    platform::OpenFailure failure{};
    std::string error;
    const std::unique_ptr<platform::ByteFile> file =
        platform::LocalFileSystem().OpenForReading(path, failure, error);
    if (file == nullptr) {
        PrintError("Could not open " + path + ": " + error);
        return kExitFailure;
    }
    MemoEntry memo(SYSTEMTIME{});
    std::string cause;
    if (ReadCurrentMemo(*file, memo, cause) != CurrentMemoOutcome::Read) {
        PrintError(path + ": no thumbnail: " + cause);
        return kExitProblems;
    }
    bool noPicture = false;
    const std::unique_ptr<platform::PageBitmap> page = ShownPage(memo.page, noPicture);
    const std::optional<RgbImage> picture =
        page != nullptr ? ReducePage(*page, size) : std::nullopt;
    if (!picture) {
        PrintError(path + ": no thumbnail: not enough memory");
        return kExitProblems;
    }
    if (noPicture) {
        PrintError(path + ": the current memo has no picture; " + target + " is a white page");
    }
    if (!platform::WriteRgbPng(target, picture->width, picture->height, picture->pixels, error)) {
        PrintError(error);
        return kExitFailure;
    }
    return kExitSuccess;
}

}  // namespace tavrin::file_tool
