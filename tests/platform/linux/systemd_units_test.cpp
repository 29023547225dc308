// The words of ExecStart= and the OnCalendar= times the notification units
// are written with.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/linux/systemd_units.h"

namespace tavrin::platform::linux_desktop {
namespace {

struct PathCase {
    std::string path;
    std::optional<std::string> asExecutable;
    std::optional<std::string> asArgument;
};

// systemd reads "%x" as a specifier everywhere and "$x" as a variable in
// arguments only; it refuses quotes, backslashes and control characters in
// the path of a program it runs, so such paths are not written at all.
const PathCase kPathCases[] = {
    {"/usr/bin/tavrin", "\"/usr/bin/tavrin\"", "\"/usr/bin/tavrin\""},
    {"/opt/my apps/tavrin", "\"/opt/my apps/tavrin\"", "\"/opt/my apps/tavrin\""},
    {"/opt/100%/t", "\"/opt/100%%/t\"", "\"/opt/100%%/t\""},
    {"/opt/$HOME/t", "\"/opt/$HOME/t\"", "\"/opt/$$HOME/t\""},
    {"/opt/\xc3\xa9t\xc3\xa9;x/t", "\"/opt/\xc3\xa9t\xc3\xa9;x/t\"", "\"/opt/\xc3\xa9t\xc3\xa9;x/t\""},
    {"relative/tavrin", std::nullopt, std::nullopt},
    {"", std::nullopt, std::nullopt},
    {"/opt/a\"b/t", std::nullopt, std::nullopt},
    {"/opt/a'b/t", std::nullopt, std::nullopt},
    {"/opt/a\\b/t", std::nullopt, std::nullopt},
    {"/opt/a\nExecStart=/bin/sh/t", std::nullopt, std::nullopt},
    {"/opt/\xff\xfe/t", std::nullopt, std::nullopt},
};

TEST(SystemdUnits, QuotesPathsAsSystemdReadsThem) {
    for (const PathCase& c : kPathCases) {
        EXPECT_EQ(QuotedPathForExec(c.path, true), c.asExecutable) << c.path;
        EXPECT_EQ(QuotedPathForExec(c.path, false), c.asArgument) << c.path;
    }
}

TEST(SystemdUnits, CalendarTimeOnlyForTimesThatExist) {
    const struct {
        SYSTEMTIME time;
        std::optional<std::string> text;
    } cases[] = {
        {{2030, 5, 5, 3, 7, 15, 42, 999}, "2030-05-03 07:15:42"},
        {{2004, 2, 0, 29, 0, 0, 0, 0}, "2004-02-29 00:00:00"},
        {{2099, 12, 0, 31, 23, 59, 59, 0}, "2099-12-31 23:59:59"},
        {{2005, 2, 0, 29, 7, 0, 0, 0}, std::nullopt},
        {{2100, 2, 0, 29, 7, 0, 0, 0}, std::nullopt},
        {{2030, 13, 0, 1, 7, 0, 0, 0}, std::nullopt},
        {{2030, 4, 0, 31, 7, 0, 0, 0}, std::nullopt},
        {{2030, 1, 0, 1, 24, 0, 0, 0}, std::nullopt},
        {{2030, 1, 0, 1, 0, 60, 0, 0}, std::nullopt},
        {{0, 0, 0, 0, 0, 0, 0, 0}, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CalendarTime(c.time), c.text) << c.time.year << "-" << c.time.month << "-" << c.time.day;
    }
}

}  // namespace
}  // namespace tavrin::platform::linux_desktop
