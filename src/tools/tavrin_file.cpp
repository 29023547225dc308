// tavrin-file: describes, exports, checks and writes Tavrin memo data files,
// reading and writing them through the same store code as the programs.
// This file reads the command line; each command has a file of its own.
#include <algorithm>
#include <charconv>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tavrin_version.h"
#include "tools/commands.h"

namespace tavrin::file_tool {

// One write a line: standard error is unbuffered, and a damaged file may
// have a problem for each of its 65,535 memos.
void PrintError(std::string_view message) {
    std::string line;
    line.reserve(kProgram.size() + 2 + message.size() + 1);
    line.append(kProgram).append(": ").append(message).push_back('\n');
    std::cerr.write(line.data(), static_cast<std::streamsize>(line.size()));
}

namespace {

constexpr std::string_view kUsage =
    "Usage: tavrin-file info FILE [--json]\n"
    "       tavrin-file export FILE DIR\n"
    "       tavrin-file export FILE OUT.pdf\n"
    "       tavrin-file check FILE\n"
    "       tavrin-file demo FILE\n"
    "       tavrin-file merge [--base BASE] A B OUTPUT\n"
    "       tavrin-file thumbnail FILE PNG SIZE\n"
    "       tavrin-file --help | --version\n";

constexpr std::string_view kHelp =
    "Describes, exports, checks and writes Tavrin memo data files.\n"
    "\n"
    "Commands:\n"
    "  info FILE        The memo count and current position as stored, and per memo\n"
    "                   its position (0-based, like the current position), creation\n"
    "                   and alarm times (YYYY-MM-DDTHH:MM:SS.mmm and the stored day\n"
    "                   of week), alarm handle, and page format, width, height and\n"
    "                   data length.\n"
    "       --json      The same as one JSON object: count, currentPosition and\n"
    "                   memos [position, created, alarmTime, alarmHandle, format,\n"
    "                   width, height, dataLength]. Times are strings in the form\n"
    "                   above without the day of week.\n"
    "  export FILE DIR  Writes each memo's page as DIR/memo-0001.png, memo-0002.png,\n"
    "                   ... in list order, at the page's own size, every pixel in its\n"
    "                   color-table color. A memo without a picture (never drawn,\n"
    "                   or its page can't be read) is written as a white 240 x 320\n"
    "                   page, as the programs show it, with a warning. DIR is made\n"
    "                   when it doesn't exist.\n"
    "  export FILE OUT.pdf\n"
    "                   Writes one PDF of all memos for printing, a memo a page in\n"
    "                   list order: the page on A4 at 2 points a pixel (1 where it\n"
    "                   doesn't fit; a page larger than A4 then), each pixel a\n"
    "                   square of its color, never smoothed, with the memo's\n"
    "                   creation time and alarm time below it. Any name ending in\n"
    "                   \".pdf\" (in any case) asks for the PDF. Memos without a\n"
    "                   picture and damaged pages are treated as for the PNGs;\n"
    "                   OUT.pdf appears only whole.\n"
    "  check FILE       Reads the whole file as the programs do and lists every\n"
    "                   problem found: a wrong magic, a header, record or page block\n"
    "                   cut short, a page that can't be read, page data that\n"
    "                   unpacks to another size than the page's, a count of 0, a\n"
    "                   current position past the memos, bytes after the last memo.\n"
    "  demo FILE        Writes a sample file of four drawn memos, the third current\n"
    "                   and carrying an alarm, replacing FILE; its folder is made\n"
    "                   when it doesn't exist.\n"
    "  merge A B OUTPUT Merges two copies of one memo file memo by memo and writes\n"
    "                   the result to OUTPUT, as the notepad merges a file another\n"
    "                   machine changed. Memos are known by their creation times;\n"
    "                   every memo of A and of B is kept, and a memo that differs\n"
    "                   between them is kept twice, A's first. The order is B's,\n"
    "                   with A's own memos after the memo they follow in A.\n"
    "       --base BASE The copy A and B both started from: a memo changed on one\n"
    "                   side only is taken from that side, and one deleted on one\n"
    "                   side and unchanged on the other is deleted.\n"
    "  thumbnail FILE PNG SIZE\n"
    "                   Writes the current memo's page as PNG, reduced to at most\n"
    "                   SIZE pixels on its longer side by averaging the area each\n"
    "                   pixel covers (never enlarged), for file managers. Reads\n"
    "                   only as far as that memo; a file that isn't a memo data\n"
    "                   file or is damaged before or at that memo gives exit\n"
    "                   status 1 and no PNG.\n"
    "\n"
    "info and export report problems found on the way on standard error and still\n"
    "show or export what could be read.\n"
    "\n"
    "Exit status: 0 when all went well, 1 when the file has problems, 2 for wrong\n"
    "usage or a file that can't be opened or written.\n";

// File managers ask for 128 to 1,024 pixels; no page is larger than this.
constexpr std::int32_t kLargestThumbnail = 4096;

std::optional<std::int32_t> PictureSize(std::string_view text) {
    std::int32_t size = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size);
    if (error != std::errc{} || end != text.data() + text.size() || size < 1 ||
        size > kLargestThumbnail) {
        return std::nullopt;
    }
    return size;
}

int UsageError(std::string_view message) {
    PrintError(message);
    std::cerr << kUsage << "Try 'tavrin-file --help' for more information.\n";
    return kExitFailure;
}

int Run(const std::vector<std::string_view>& arguments) {
    std::vector<std::string> operands;
    bool json = false;
    std::optional<std::string> base;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            std::cout << kUsage << '\n' << kHelp;
            return kExitSuccess;
        }
        if (argument == "--version") {
            std::cout << kProgram << ' ' << TAVRIN_VERSION << '\n';
            return kExitSuccess;
        }
        if (argument == "--base") {
            if (i + 1 == arguments.size()) return UsageError("--base needs a file");
            base = std::string(arguments[++i]);
        } else if (argument == "--json") {
            json = true;
        } else if (argument.size() > 1 && argument.front() == '-') {
            return UsageError("unknown option '" + std::string(argument) + "'");
        } else {
            operands.emplace_back(argument);
        }
    }
    if (operands.empty()) {
        return UsageError("no command given");
    }
    const std::string& command = operands.front();
    struct Operands {
        std::string_view command;
        std::size_t count;
        std::string_view names;
    };
    constexpr Operands kOperands[] = {
        {"info", 2, "one FILE"},         {"export", 3, "a FILE and a DIR or OUT.pdf"},
        {"check", 2, "one FILE"},        {"demo", 2, "one FILE"},
        {"merge", 4, "the files A, B and OUTPUT"},
        {"thumbnail", 4, "a FILE, a PNG and a SIZE"},
    };
    const auto known = std::find_if(std::begin(kOperands), std::end(kOperands),
                                    [&](const Operands& o) { return o.command == command; });
    if (known == std::end(kOperands)) {
        return UsageError("unknown command '" + command + "'");
    }
    if (operands.size() != known->count) {
        return UsageError("'" + command + "' takes " + std::string(known->names));
    }
    if (json && command != "info") {
        return UsageError("--json goes with 'info' only");
    }
    if (base && command != "merge") {
        return UsageError("--base goes with 'merge' only");
    }
    if (command == "merge") return Merge(base ? &*base : nullptr, operands[1], operands[2], operands[3]);
    if (command == "info") return Info(operands[1], json);
    if (command == "export") return Export(operands[1], operands[2]);
    if (command == "check") return Check(operands[1]);
    if (command == "thumbnail") {
        const std::optional<std::int32_t> size = PictureSize(operands[3]);
        if (!size) {
            return UsageError("SIZE must be a number of pixels from 1 to " +
                              std::to_string(kLargestThumbnail));
        }
        return Thumbnail(operands[1], operands[2], *size);
    }
    return Demo(operands[1]);
}

}  // namespace
}  // namespace tavrin::file_tool

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    return tavrin::file_tool::Run(arguments);
}
