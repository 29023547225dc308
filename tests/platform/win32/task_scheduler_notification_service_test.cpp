// The Windows notification service through its four operations, on the
// system's Task Scheduler (Wine's, under Wine) and on an in-memory engine
// that keeps each task's XML as registered and fails at any chosen step.
//
// Wine's Task Scheduler (8.0) registers, finds and deletes tasks and keeps
// their description, but keeps no trigger, no action and no setting of a
// task (it writes <Triggers/> and <Exec/> back) and can't list a folder's
// tasks. Those checks run on the in-memory engine only, and say so when
// skipped.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <wrl/client.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "in_memory_task_engine.h"
#include "platform/win32/task_scheduler_notification_service.h"
#include "platform/win32/win32_com.h"
#include "platform/win32/win32_text.h"
#include "support/calendar_time.h"
#include "support/fixed_clock.h"

namespace tavrin::platform {
namespace {

using Microsoft::WRL::ComPtr;
using tavrin::testing::FixedClock;
using tavrin::testing::InMemoryTaskEngine;
using tavrin::testing::InMemoryTasks;
using tavrin::testing::Time;
using ::testing::HasSubstr;
using ::testing::Not;

// Quotes, "%", "&", XML's and the record's own characters and a line break:
// none of it may reach a command line or change the task's XML.
const std::string kHostileText =
    "Tavrin [07:15, 03-05-2030]\r\n\"%PATH%\" & <b>|\\x41 ^& '%%' /notify 00000001";

bool UnderWine() {
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::wstring Wide(const std::string& text) { return ToSystemText(text).value(); }

std::wstring Hex8(std::uint32_t value) {
    wchar_t text[9];
    std::swprintf(text, std::size(text), L"%08X", value);
    return text;
}

// Two program files in a folder whose name needs escaping in XML.
struct Programs {
    std::wstring folder;
    std::string tavrin;
    std::string other;
};

const Programs& TestPrograms() {
    static const Programs programs = [] {
        wchar_t temp[MAX_PATH + 1];
        const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
        const std::wstring folder = std::wstring(temp, length) + L"tavrin 100% & 'tasks'";
        ::CreateDirectoryW(folder.c_str(), nullptr);
        Programs made{folder, FromSystemText(folder + L"\\Tavrin.exe"),
                      FromSystemText(folder + L"\\Other.exe")};
        for (const std::string& path : {made.tavrin, made.other})
            std::ofstream(std::filesystem::path(Wide(path))).put('x');
        return made;
    }();
    return programs;
}

// The program's path as the task's XML spells it.
std::wstring EscapedProgram() {
    const std::wstring& folder = TestPrograms().folder;
    return folder.substr(0, folder.rfind(L'\\') + 1) +
           L"tavrin 100% &amp; &apos;tasks&apos;\\Tavrin.exe";
}

NotificationTrigger Trigger(const SYSTEMTIME& start) {
    NotificationTrigger trigger;
    trigger.application = TestPrograms().tavrin;
    trigger.startTime = start;
    trigger.endTime = start;
    trigger.endTime.minute = static_cast<std::uint16_t>(start.minute + 1);
    return trigger;
}

UserNotification Notification(const std::string& text) {
    UserNotification notification;
    notification.actionFlags = 15;
    notification.dialogTitle = "Tavrin";
    notification.dialogText = text;
    notification.sound = "Alarm2.wav";
    return notification;
}

constexpr const char* kMemoKey = "2030-05-01T10:11:12.345/2030-05-03T07:15:00";

NotificationContent ContentFor(const UserNotification& notification, const NotificationTrigger& trigger,
                               const std::string& memo = "") {
    // The description keeps the end's date and time, not its day of week.
    SYSTEMTIME until = trigger.endTime;
    until.dayOfWeek = 0;
    return {Wide(notification.dialogTitle), Wide(notification.dialogText), Wide(notification.sound),
            notification.actionFlags, Wide(memo), until};
}

// A task of a user's folder read back through the engine's own API.
struct TaskReadBack {
    std::wstring path;
    std::wstring xml;
};

std::optional<TaskReadBack> ReadTask(const TaskEngine& engine, const std::wstring& folderName,
                                     const std::wstring& name) {
    ComPtr<ITaskService> service;
    ComPtr<ITaskFolder> folder;
    ComPtr<IRegisteredTask> task;
    const Bstr folderPath(folderName);
    const Bstr taskName(name);
    Bstr path;
    Bstr xml;
    if (FAILED(engine(service.GetAddressOf())) ||
        FAILED(service->GetFolder(folderPath.Get(), folder.GetAddressOf())) ||
        FAILED(folder->GetTask(taskName.Get(), task.GetAddressOf())) ||
        FAILED(task->get_Path(path.Out())) || FAILED(task->get_Xml(xml.Out()))) {
        return std::nullopt;
    }
    return TaskReadBack{path.Text(), xml.Text()};
}

void DeleteTask(const TaskEngine& engine, const std::wstring& folderName, const std::wstring& name) {
    ComPtr<ITaskService> service;
    ComPtr<ITaskFolder> folder;
    const Bstr folderPath(folderName);
    const Bstr taskName(name);
    if (SUCCEEDED(engine(service.GetAddressOf())) &&
        SUCCEEDED(service->GetFolder(folderPath.Get(), folder.GetAddressOf()))) {
        folder->DeleteTask(taskName.Get(), 0);
    }
}

enum class Engine { System, InMemory };

class NotificationServiceTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        engine_ = GetParam() == Engine::System ? TaskEngine(ConnectSystemTaskEngine)
                                               : InMemoryTaskEngine(memory_);
        service_ = std::make_unique<TaskSchedulerNotificationService>(engine_, clock_);
    }
    void TearDown() override {
        for (const std::uint32_t handle : made_) service_->RemoveNotification(handle);
        for (const std::string& program : {TestPrograms().tavrin, TestPrograms().other}) {
            DeleteTask(engine_, service_->FolderPath(), TaskSchedulerNotificationService::StartTask(program));
        }
        service_.reset();
        engine_ = nullptr;
        ::CoUninitialize();
    }

    std::uint32_t Set(std::uint32_t existing, const SYSTEMTIME& start, const std::string& text) {
        const std::uint32_t handle =
            service_->SetNotification(existing, Trigger(start), Notification(text), {});
        if (handle != 0) made_.push_back(handle);
        return handle;
    }
    std::optional<TaskReadBack> Read(const std::wstring& name) {
        return ReadTask(engine_, service_->FolderPath(), name);
    }

    // Wine keeps no trigger and no action: what only they hold is checked on the other engine.
    bool EngineKeepsTriggersAndActions() const {
        return GetParam() == Engine::InMemory || !UnderWine();
    }

    std::shared_ptr<InMemoryTasks> memory_ = std::make_shared<InMemoryTasks>();
    FixedClock clock_{Time(2030, 5, 3, 12, 0, 0)};
    TaskEngine engine_;
    std::unique_ptr<TaskSchedulerNotificationService> service_;
    std::vector<std::uint32_t> made_;
};

TEST_P(NotificationServiceTest, EveryNotificationIsATaskOfItsOwnInTheTavrinFolder) {
    const std::uint32_t first = Set(0, Time(2030, 5, 3, 7, 15, 0), kHostileText);
    const std::uint32_t second = Set(0, Time(2030, 5, 3, 7, 15, 0), "second");
    ASSERT_NE(first, 0u) << service_->LastError();
    ASSERT_NE(second, 0u) << service_->LastError();
    EXPECT_NE(first, second);
    for (const std::uint32_t handle : {first, second}) {
        const auto task = Read(TaskSchedulerNotificationService::NotificationTask(handle));
        ASSERT_TRUE(task);
        EXPECT_EQ(task->path, L"\\Tavrin\\" + CurrentUserSid() + L"\\Notification " + Hex8(handle));
    }
    EXPECT_EQ(service_->ContentOf(first),
              ContentFor(Notification(kHostileText), Trigger(Time(2030, 5, 3, 7, 15, 0))));

    if (!EngineKeepsTriggersAndActions()) {
        GTEST_SKIP() << "Wine's Task Scheduler keeps no trigger and no action of a task";
    }
    const std::wstring xml = Read(TaskSchedulerNotificationService::NotificationTask(first))->xml;
    EXPECT_THAT(xml, HasSubstr(L"<StartBoundary>2030-05-03T07:15:00</StartBoundary>"));
    EXPECT_THAT(xml, HasSubstr(L"<Command>" + EscapedProgram() + L"</Command>"));
    EXPECT_THAT(xml, HasSubstr(L"<Arguments>/notify " + Hex8(first) + L"</Arguments>"));
    // It wakes a sleeping machine, and, missed while the machine was off,
    // runs when it is back: an end boundary would cancel that.
    EXPECT_THAT(xml, HasSubstr(L"<WakeToRun>true</WakeToRun>"));
    EXPECT_THAT(xml, HasSubstr(L"<StartWhenAvailable>true</StartWhenAvailable>"));
    EXPECT_THAT(xml, Not(HasSubstr(L"EndBoundary")));
}

TEST_P(NotificationServiceTest, AHeldHandleIsReplacedAnUnknownOneRefused) {
    const std::uint32_t handle = Set(0, Time(2030, 5, 3, 7, 15, 0), "first");
    ASSERT_NE(handle, 0u) << service_->LastError();
    EXPECT_EQ(Set(handle, Time(2030, 5, 4, 8, 30, 0), "second"), handle) << service_->LastError();
    EXPECT_EQ(service_->ContentOf(handle), ContentFor(Notification("second"), Trigger(Time(2030, 5, 4, 8, 30, 0))));

    std::uint32_t unknown = handle + 1;
    while (unknown == 0 || Read(TaskSchedulerNotificationService::NotificationTask(unknown)))
        ++unknown;
    EXPECT_EQ(Set(unknown, Time(2030, 5, 4, 8, 30, 0), "third"), 0u);
    EXPECT_THAT(service_->LastError(), HasSubstr("no notification has the handle"));
    EXPECT_FALSE(Read(TaskSchedulerNotificationService::NotificationTask(unknown)));

    if (!EngineKeepsTriggersAndActions()) {
        GTEST_SKIP() << "Wine's Task Scheduler keeps no trigger and no action of a task";
    }
    EXPECT_THAT(Read(TaskSchedulerNotificationService::NotificationTask(handle))->xml,
                HasSubstr(L"<StartBoundary>2030-05-04T08:30:00</StartBoundary>"));
}

TEST_P(NotificationServiceTest, RemovalDeletesTheTaskOnce) {
    const std::uint32_t handle = Set(0, Time(2030, 5, 3, 7, 15, 0), "gone soon");
    ASSERT_NE(handle, 0u) << service_->LastError();
    EXPECT_EQ(service_->RemoveNotification(handle), 1) << service_->LastError();
    EXPECT_FALSE(Read(TaskSchedulerNotificationService::NotificationTask(handle)));
    EXPECT_FALSE(service_->ContentOf(handle));
    EXPECT_EQ(service_->RemoveNotification(handle), 0);
    EXPECT_EQ(service_->RemoveNotification(0), 0);
}

TEST_P(NotificationServiceTest, TheProgramsStartIsOneTaskThatEachCallMoves) {
    const std::string& program = TestPrograms().tavrin;
    const std::wstring name = TaskSchedulerNotificationService::StartTask(program);
    EXPECT_NE(name, TaskSchedulerNotificationService::StartTask(TestPrograms().other));
    EXPECT_EQ(service_->ScheduleAppStart(program, Time(2030, 5, 3, 7, 15, 2)), 1)
        << service_->LastError();
    EXPECT_EQ(service_->ScheduleAppStart(program, Time(2030, 5, 4, 9, 0, 2)), 1)
        << service_->LastError();
    const auto task = Read(name);
    ASSERT_TRUE(task);
    EXPECT_EQ(task->path, service_->FolderPath() + L"\\" + name);

    if (!EngineKeepsTriggersAndActions()) {
        GTEST_SKIP() << "Wine's Task Scheduler keeps no trigger and no action of a task";
    }
    EXPECT_THAT(task->xml, HasSubstr(L"<StartBoundary>2030-05-04T09:00:02</StartBoundary>"));
    EXPECT_THAT(task->xml, HasSubstr(L"<Command>" + EscapedProgram() + L"</Command>"));
    EXPECT_THAT(task->xml, HasSubstr(L"<Arguments>AppRunAtTime</Arguments>"));
    EXPECT_THAT(task->xml, HasSubstr(L"<WakeToRun>true</WakeToRun>"));
    EXPECT_THAT(task->xml, Not(HasSubstr(L"EndBoundary")));
}

TEST_P(NotificationServiceTest, TheMemosKeyAndTheEndOfItsTimeReachTheNotifier) {
    const NotificationTrigger trigger = Trigger(Time(2030, 5, 3, 7, 15, 0));
    const std::uint32_t handle =
        service_->SetNotification(0, trigger, Notification("with its memo"), {kMemoKey, nullptr, {}});
    ASSERT_NE(handle, 0u) << service_->LastError();
    made_.push_back(handle);
    EXPECT_EQ(service_->ContentOf(handle), ContentFor(Notification("with its memo"), trigger, kMemoKey));
}

// Where the clocks skip the alarm's time, the task runs at the gap's end;
// the start two seconds later too.
TEST_P(NotificationServiceTest, TimesTheClocksSkipRunAtTheGapsEnd) {
    clock_.gap = FixedClock::Gap{Time(2030, 3, 31, 2, 0, 0), Time(2030, 3, 31, 3, 0, 0, 0, 0)};
    const std::uint32_t handle = Set(0, Time(2030, 3, 31, 2, 30, 0), "in the gap");
    ASSERT_NE(handle, 0u) << service_->LastError();
    const std::string& program = TestPrograms().tavrin;
    ASSERT_EQ(service_->ScheduleAppStart(program, Time(2030, 3, 31, 2, 30, 2)), 1);
    if (!EngineKeepsTriggersAndActions()) {
        GTEST_SKIP() << "Wine's Task Scheduler keeps no trigger and no action of a task";
    }
    for (const std::wstring& task : {TaskSchedulerNotificationService::NotificationTask(handle),
                                     TaskSchedulerNotificationService::StartTask(program)}) {
        EXPECT_THAT(Read(task)->xml, HasSubstr(L"<StartBoundary>2030-03-31T03:00:00</StartBoundary>"));
    }
}

// Two users of one Tavrin.exe: each has a task folder of their own, so
// neither replaces the other's start nor acknowledges the other's notifications.
TEST(NotificationServiceUsers, EachUserKeepsTheirOwnTasks) {
    const auto memory = std::make_shared<InMemoryTasks>();
    FixedClock clock{Time(2030, 5, 3, 12, 0, 0)};
    TaskSchedulerNotificationService ann(InMemoryTaskEngine(memory), clock, L"S-1-5-21-1-2-3-1001");
    TaskSchedulerNotificationService bob(InMemoryTaskEngine(memory), clock, L"S-1-5-21-1-2-3-1002");
    const std::string& program = TestPrograms().tavrin;
    const std::uint32_t annsAlarm =
        ann.SetNotification(0, Trigger(Time(2030, 5, 3, 10, 0, 0)), Notification("Ann's"), {});
    const std::uint32_t bobsAlarm =
        bob.SetNotification(0, Trigger(Time(2030, 5, 3, 10, 0, 0)), Notification("Bob's"), {});
    ASSERT_TRUE(annsAlarm && bobsAlarm) << ann.LastError() << bob.LastError();
    ASSERT_EQ(ann.ScheduleAppStart(program, Time(2030, 5, 3, 13, 0, 2)), 1);
    ASSERT_EQ(bob.ScheduleAppStart(program, Time(2030, 5, 3, 14, 0, 2)), 1);
    const std::wstring start = TaskSchedulerNotificationService::StartTask(program);
    EXPECT_THAT(memory->tasks.at(L"\\Tavrin\\S-1-5-21-1-2-3-1001\\" + start),
                HasSubstr(L"<StartBoundary>2030-05-03T13:00:02</StartBoundary>"));
    EXPECT_THAT(memory->tasks.at(L"\\Tavrin\\S-1-5-21-1-2-3-1002\\" + start),
                HasSubstr(L"<StartBoundary>2030-05-03T14:00:02</StartBoundary>"));

    EXPECT_EQ(ann.AcknowledgeAppNotifications(program), 1) << ann.LastError();
    EXPECT_FALSE(ann.ContentOf(annsAlarm));
    EXPECT_TRUE(bob.ContentOf(bobsAlarm));
    EXPECT_FALSE(bob.ContentOf(annsAlarm));
    EXPECT_EQ(bob.RemoveNotification(annsAlarm), 0);
}

TEST(NotificationServiceUsers, AUserWhoCantBeToldIsRefused) {
    const auto memory = std::make_shared<InMemoryTasks>();
    TaskSchedulerNotificationService nobody(InMemoryTaskEngine(memory), SystemClock(), L"");
    EXPECT_EQ(nobody.SetNotification(0, Trigger(Time(2030, 5, 3, 10, 0, 0)), Notification("x"), {}), 0u);
    EXPECT_THAT(nobody.LastError(), HasSubstr("which user"));
    EXPECT_TRUE(memory->tasks.empty());
    EXPECT_FALSE(CurrentUserSid().empty());
}

TEST_P(NotificationServiceTest, AcknowledgingRemovesWhatHasPassedOfThisProgramOnly) {
    if (!EngineKeepsTriggersAndActions()) {
        GTEST_SKIP() << "Wine's Task Scheduler can't list a folder's tasks and keeps no trigger";
    }
    // A notification is past once its minute for showing is over.
    clock_.now = Time(2030, 5, 3, 12, 1, 0);
    const std::uint32_t past = Set(0, Time(2030, 5, 3, 10, 0, 0), "past");
    const std::uint32_t showing = Set(0, Time(2030, 5, 3, 12, 0, 30), "still showing");
    const std::uint32_t future = Set(0, Time(2030, 5, 3, 13, 0, 0), "future");
    ASSERT_TRUE(past && showing && future) << service_->LastError();
    NotificationTrigger otherTrigger = Trigger(Time(2030, 5, 3, 10, 0, 0));
    otherTrigger.application = TestPrograms().other;
    const std::uint32_t others = service_->SetNotification(0, otherTrigger, Notification("other"), {});
    ASSERT_NE(others, 0u) << service_->LastError();
    const std::string& program = TestPrograms().tavrin;
    ASSERT_EQ(service_->ScheduleAppStart(program, Time(2030, 5, 3, 10, 0, 2)), 1);
    ASSERT_EQ(service_->ScheduleAppStart(TestPrograms().other, Time(2030, 5, 3, 10, 0, 2)), 1);

    EXPECT_EQ(service_->AcknowledgeAppNotifications(program), 1) << service_->LastError();
    const struct {
        std::wstring task;
        bool kept;
    } expected[] = {
        {TaskSchedulerNotificationService::NotificationTask(past), false},
        {TaskSchedulerNotificationService::NotificationTask(showing), true},
        {TaskSchedulerNotificationService::NotificationTask(future), true},
        {TaskSchedulerNotificationService::NotificationTask(others), true},
        {TaskSchedulerNotificationService::StartTask(program), false},
        {TaskSchedulerNotificationService::StartTask(TestPrograms().other), true},
    };
    for (const auto& [task, kept] : expected)
        EXPECT_EQ(Read(task).has_value(), kept) << FromSystemText(task);

    // A future start stays.
    ASSERT_EQ(service_->ScheduleAppStart(program, Time(2030, 5, 3, 13, 0, 2)), 1);
    EXPECT_EQ(service_->AcknowledgeAppNotifications(program), 1);
    EXPECT_TRUE(Read(TaskSchedulerNotificationService::StartTask(program)));
}

std::string EngineName(const ::testing::TestParamInfo<Engine>& engine) {
    return engine.param == Engine::System ? "System" : "InMemory";
}

INSTANTIATE_TEST_SUITE_P(Engines, NotificationServiceTest,
                         ::testing::Values(Engine::System, Engine::InMemory), EngineName);

// What the service refuses before it asks the engine anything.
TEST(NotificationServiceRefusal, TimesThatDoNotExistAndProgramsThatAreNotThere) {
    const struct {
        const char* why;
        SYSTEMTIME start;
        std::string program;
    } cases[] = {
        {"30 February", Time(2030, 2, 30, 7, 0, 0), TestPrograms().tavrin},
        {"hour 24", Time(2030, 5, 3, 24, 0, 0), TestPrograms().tavrin},
        {"no such program", Time(2030, 5, 3, 7, 0, 0), TestPrograms().tavrin + ".missing"},
        {"a relative path", Time(2030, 5, 3, 7, 0, 0), "Tavrin.exe"},
        {"a folder", Time(2030, 5, 3, 7, 0, 0), FromSystemText(TestPrograms().folder)},
    };
    for (const auto& [why, start, program] : cases) {
        SCOPED_TRACE(why);
        const auto memory = std::make_shared<InMemoryTasks>();
        TaskSchedulerNotificationService service(InMemoryTaskEngine(memory));
        NotificationTrigger trigger = Trigger(start);
        trigger.application = program;
        EXPECT_EQ(service.SetNotification(0, trigger, Notification("x"), {}), 0u);
        EXPECT_EQ(service.ScheduleAppStart(program, start), 0);
        EXPECT_FALSE(service.LastError().empty());
        EXPECT_EQ(memory->steps, 0);
    }
}

// Each step of each operation failing in turn: the operation answers 0 with
// the cause, and the engine holds no task that was not there before and no
// changed one.
TEST(NotificationServiceFailure, EveryFailingStepAnswers0AndLeavesNothingBehind) {
    using Service = TaskSchedulerNotificationService;
    const std::string& program = TestPrograms().tavrin;
    FixedClock clock{Time(2030, 5, 3, 12, 0, 0)};
    const auto past = Time(2030, 5, 3, 10, 0, 0);
    const struct {
        const char* operation;
        bool folderMade;
        std::function<std::uint32_t(Service&)> prepare;  // gives the handle the operation uses
        std::function<bool(Service&, std::uint32_t)> run;
    } cases[] = {
        {"a new notification (folder to make)", false, [](Service&) { return 0u; },
         [&](Service& s, std::uint32_t) {
             return s.SetNotification(0, Trigger(past), Notification("n"), {}) != 0;
         }},
        {"a new notification", true, [](Service&) { return 0u; },
         [&](Service& s, std::uint32_t) {
             return s.SetNotification(0, Trigger(past), Notification("n"), {}) != 0;
         }},
        {"a replacement", true,
         [&](Service& s) { return s.SetNotification(0, Trigger(past), Notification("old"), {}); },
         [&](Service& s, std::uint32_t h) {
             return s.SetNotification(h, Trigger(past), Notification("new"), {}) == h;
         }},
        {"a removal", true,
         [&](Service& s) { return s.SetNotification(0, Trigger(past), Notification("old"), {}); },
         [](Service& s, std::uint32_t h) { return s.RemoveNotification(h) == 1; }},
        {"the program's start", false, [](Service&) { return 0u; },
         [&](Service& s, std::uint32_t) { return s.ScheduleAppStart(program, past) == 1; }},
        {"the program's start moved", true,
         [&](Service& s) { return s.ScheduleAppStart(program, past) == 1 ? 1u : 0u; },
         [&](Service& s, std::uint32_t) {
             return s.ScheduleAppStart(program, Time(2030, 5, 3, 13, 0, 0)) == 1;
         }},
        {"an acknowledgement", true,
         [&](Service& s) {
             s.SetNotification(0, Trigger(past), Notification("a"), {});
             s.SetNotification(0, Trigger(past), Notification("b"), {});
             return s.ScheduleAppStart(program, past) == 1 ? 1u : 0u;
         },
         [&](Service& s, std::uint32_t) { return s.AcknowledgeAppNotifications(program) == 1; }},
        {"reading what to show", true,
         [&](Service& s) { return s.SetNotification(0, Trigger(past), Notification("shown"), {}); },
         [](Service& s, std::uint32_t h) { return s.ContentOf(h).has_value(); }},
    };
    for (const auto& [operation, folderMade, prepare, run] : cases) {
        SCOPED_TRACE(operation);
        const auto memory = std::make_shared<InMemoryTasks>();
        Service service(InMemoryTaskEngine(memory), clock);
        if (folderMade) memory->folders = {L"\\Tavrin", service.FolderPath()};
        const std::uint32_t handle = prepare(service);
        const InMemoryTasks before = *memory;
        bool succeeded = false;
        for (int failAt = 1; failAt < 100 && !succeeded; ++failAt) {
            SCOPED_TRACE("step " + std::to_string(failAt) + " fails");
            *memory = before;
            memory->failAt = failAt;
            memory->steps = 0;
            const bool done = run(service, handle);
            if (memory->steps < failAt) {
                // Every step has been failed once; this run failed none.
                EXPECT_TRUE(done) << service.LastError();
                succeeded = true;
                continue;
            }
            EXPECT_FALSE(done);
            EXPECT_FALSE(service.LastError().empty());
            for (const auto& [name, xml] : memory->tasks) {
                const auto old = before.tasks.find(name);
                EXPECT_TRUE(old != before.tasks.end() && old->second == xml)
                    << FromSystemText(name);
            }
        }
        EXPECT_TRUE(succeeded);
    }
}

// The memo drops the handle of a notification it could not move, so the
// old one must not ring at a time nobody holds; likewise an earlier start.
TEST(NotificationServiceFailure, ARefusedReplacementTakesTheOldTaskAway) {
    const auto memory = std::make_shared<InMemoryTasks>();
    TaskSchedulerNotificationService service(InMemoryTaskEngine(memory));
    const std::uint32_t handle =
        service.SetNotification(0, Trigger(Time(2030, 5, 3, 7, 0, 0)), Notification("old"), {});
    ASSERT_NE(handle, 0u) << service.LastError();
    ASSERT_EQ(service.ScheduleAppStart(TestPrograms().tavrin, Time(2030, 5, 3, 7, 0, 2)), 1);
    memory->refuseRegistrations = true;
    EXPECT_EQ(
        service.SetNotification(handle, Trigger(Time(2030, 5, 4, 7, 0, 0)), Notification("new"), {}),
        0u);
    EXPECT_THAT(service.LastError(), HasSubstr("can't replace the notification's task"));
    EXPECT_EQ(service.ScheduleAppStart(TestPrograms().tavrin, Time(2030, 5, 4, 7, 0, 2)), 0);
    EXPECT_THAT(service.LastError(), HasSubstr("can't register the program's start"));
    EXPECT_TRUE(memory->tasks.empty());
}

// The service works on a thread with COM in either model or none, and leaves
// the thread's COM as it found it.
TEST(NotificationServiceCom, WorksWhateverTheThreadHasAndLeavesItSo) {
    const struct {
        const char* thread;
        std::optional<DWORD> model;
        HRESULT afterwards;  // what CoInitializeEx apartment-threaded answers after the operations
    } cases[] = {
        {"no COM", std::nullopt, S_OK},
        {"apartment-threaded", COINIT_APARTMENTTHREADED, S_FALSE},
        {"multithreaded", COINIT_MULTITHREADED, RPC_E_CHANGED_MODE},
    };
    for (const auto& [thread, model, afterwards] : cases) {
        SCOPED_TRACE(thread);
        std::uint32_t handle = 0;
        int removed = 0;
        std::string error;
        HRESULT state = E_FAIL;
        std::thread([&] {
            const bool initialised = model && SUCCEEDED(::CoInitializeEx(nullptr, *model));
            TaskSchedulerNotificationService service;
            handle =
                service.SetNotification(0, Trigger(Time(2030, 5, 3, 7, 0, 0)), Notification("com"), {});
            error = service.LastError();
            removed = service.RemoveNotification(handle);
            state = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            if (SUCCEEDED(state)) ::CoUninitialize();
            if (initialised) ::CoUninitialize();
        }).join();
        EXPECT_NE(handle, 0u) << error;
        EXPECT_EQ(removed, 1);
        EXPECT_EQ(state, afterwards);
    }
}

TEST(NotificationHandleText, EightHexDigitsNotAllZero) {
    EXPECT_EQ(ParseNotificationHandle(L"0000abcD"), 0xABCDu);
    EXPECT_EQ(ParseNotificationHandle(L"FFFFFFFF"), 0xFFFFFFFFu);
    for (const wchar_t* text :
         {L"", L"00000000", L"abcd", L"0000abcdE", L"0000abcG", L"-000abcd", L" 000abcd"}) {
        EXPECT_FALSE(ParseNotificationHandle(text)) << FromSystemText(text);
    }
}

}  // namespace
}  // namespace tavrin::platform
