// tavrin-file export: every memo's page as a PNG file, written on all cores,
// or all of them in one PDF, a memo a page, for printing.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "canvas/memo_export.h"
#include "platform/pdf_file.h"
#include "tools/commands.h"
#include "tools/loaded_file.h"

namespace tavrin::file_tool {
namespace {

// The memos whose pages can be drawn, in list order. A damaged page is
// never drawn: a picture of it would show little but white, and a file of
// damaged headers asking for the largest pages would make thousands of
// them. It is named (`leftOut` says what becomes of it) and skipped; the
// problems reported later say why.
template <typename LeftOut>
std::vector<PngExport> PagesToDraw(const LoadedFile& loaded, LeftOut leftOut) {
    std::vector<PngExport> pages;
    ForEachMemoRead(loaded, [&](std::size_t position, const MemoEntry& entry,
                                const RecordLoadNotes& record) {
        if (PageIsDamaged(record)) {
            PrintError(loaded.path + ": memo " + std::to_string(position + 1) +
                       ": its page is damaged; " + leftOut(position));
            return;
        }
        PngExport& page = pages.emplace_back();
        page.position = position;
        page.entry = &entry;
    });
    return pages;
}

// A white page stands for a memo without a picture, as the programs show it.
void SayNoPicture(const LoadedFile& loaded, const PngExport& page, const std::string& shown) {
    PrintError(loaded.path + ": memo " + std::to_string(page.position + 1) +
               " has no picture; " + shown + " is a white page");
}

int ExportPngs(LoadedFile& loaded, const std::string& folder) {
    std::error_code made;
    std::filesystem::create_directories(folder, made);
    if (made) {
        PrintError("Could not make " + folder + ": " + made.message());
        return kExitFailure;
    }
    std::vector<PngExport> jobs = PagesToDraw(
        loaded, [&](std::size_t position) { return PngName(position) + " is not written"; });
    for (PngExport& job : jobs) {
        job.target = (std::filesystem::path(folder) / PngName(job.position)).string();
    }
    WritePngs(jobs);
    bool written = true;
    for (const PngExport& job : jobs) {
        if (job.noPicture) SayNoPicture(loaded, job, job.target);
        if (!job.error.empty()) {
            PrintError(job.error);
        }
        written = written && job.written;
    }
    if (!written) {
        return kExitFailure;
    }
    return ReportProblems(loaded) ? kExitSuccess : kExitProblems;
}

int ExportPdf(LoadedFile& loaded, const std::string& target) {
    std::vector<PngExport> pages = PagesToDraw(
        loaded, [&](std::size_t) { return "it is left out of " + target; });
    if (pages.empty()) {
        PrintError(loaded.path + ": no memo's page can be drawn; " + target + " is not written");
        ReportProblems(loaded);
        return kExitProblems;
    }
    std::string error;
    const std::unique_ptr<platform::PagedDocument> document = platform::StartPdf(target, error);
    if (document == nullptr || !WriteSheets(*document, pages, error)) {
        PrintError(error);
        return kExitFailure;
    }
    for (const PngExport& page : pages) {
        if (page.noPicture) SayNoPicture(loaded, page, "its page in " + target);
    }
    return ReportProblems(loaded) ? kExitSuccess : kExitProblems;
}

// "OUT.pdf", in any case, asks for the PDF.
bool NamesAPdf(const std::string& target) {
    constexpr std::string_view kSuffix = ".pdf";
    return target.size() >= kSuffix.size() &&
           std::equal(kSuffix.rbegin(), kSuffix.rend(), target.rbegin(), [](char a, char b) {
               return a == std::tolower(static_cast<unsigned char>(b));
           });
}

}  // namespace

int Export(const std::string& path, const std::string& target) {
    LoadedFile loaded(path);
    if (!Load(loaded)) {
        return kExitFailure;
    }
    return NamesAPdf(target) ? ExportPdf(loaded, target) : ExportPngs(loaded, target);
}

}  // namespace tavrin::file_tool
