// tavrin-file info: the stored header and every memo, as text or JSON.
#include <cinttypes>
#include <iostream>
#include <iterator>

#include "tools/commands.h"
#include "tools/loaded_file.h"

namespace tavrin::file_tool {
namespace {

std::string TimeText(const SYSTEMTIME& time) {
    return Format("%04u-%02u-%02uT%02u:%02u:%02u.%03u", time.year, time.month, time.day,
                  time.hour, time.minute, time.second, time.milliseconds);
}

std::string DayOfWeekText(std::uint16_t day) {
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    return day < std::size(kDays) ? kDays[day] : Format("day-of-week %u", day);
}

void PrintInfoText(const LoadedFile& loaded) {
    std::cout << loaded.path << '\n'
              << "count " << loaded.report.notes.storedCount << ", current position "
              << loaded.report.notes.storedCurrentPosition << '\n';
    ForEachMemoRead(loaded, [](std::size_t position, const MemoEntry& entry,
                               const RecordLoadNotes& record) {
        std::cout << "memo " << position << '\n'
                  << "  created      " << TimeText(entry.created) << ' '
                  << DayOfWeekText(entry.created.dayOfWeek) << '\n'
                  << "  alarmTime    " << TimeText(entry.alarmTime) << ' '
                  << DayOfWeekText(entry.alarmTime.dayOfWeek) << '\n'
                  << "  alarmHandle  " << entry.alarmHandle << '\n'
                  << "  page         "
                  << (record.page.headerRead ? PageText(record.page) : "(cut short)") << '\n';
    });
}

void PrintInfoJson(const LoadedFile& loaded) {
    std::cout << "{\"count\":" << loaded.report.notes.storedCount
              << ",\"currentPosition\":" << loaded.report.notes.storedCurrentPosition << ",\"memos\":[";
    bool first = true;
    ForEachMemoRead(loaded, [&first](std::size_t position, const MemoEntry& entry,
                                     const RecordLoadNotes& record) {
        if (!record.page.headerRead) {
            return;  // reported as a problem; the fields are all required
        }
        const PageBlockHeader& header = record.page.header;
        std::cout << (first ? "" : ",") << "{\"position\":" << position << ",\"created\":\""
                  << TimeText(entry.created) << "\",\"alarmTime\":\""
                  << TimeText(entry.alarmTime) << "\",\"alarmHandle\":" << entry.alarmHandle
                  << ",\"format\":" << header.format << ",\"width\":" << header.width
                  << ",\"height\":" << header.height << ",\"dataLength\":" << header.dataLength
                  << '}';
        first = false;
    });
    std::cout << "]}\n";
}

}  // namespace

int Info(const std::string& path, bool json) {
    LoadedFile loaded(path);
    if (!Load(loaded)) {
        return kExitFailure;
    }
    if (loaded.report.notes.headerRead) {
        if (json) {
            PrintInfoJson(loaded);
        } else {
            PrintInfoText(loaded);
        }
    }
    return ReportProblems(loaded) ? kExitSuccess : kExitProblems;
}

}  // namespace tavrin::file_tool
