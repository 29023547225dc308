#include "platform/win32/task_scheduler_notification_service.h"

#include <wrl/client.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <random>
#include <vector>

#include "platform/win32/win32_com.h"
#include "platform/win32/win32_text.h"

#ifndef UNICODE
#error "The Task Scheduler takes wide texts: build the notification service with UNICODE."
#endif

namespace tavrin::platform {

using Microsoft::WRL::ComPtr;

namespace {

constexpr wchar_t kFolderName[] = L"Tavrin";
constexpr wchar_t kFolderPath[] = L"\\Tavrin";
constexpr wchar_t kNotificationPrefix[] = L"Notification ";
constexpr wchar_t kNotifierSwitch[] = L"/notify";
constexpr wchar_t kRecordTag[] = L"Tavrin notification";

// A notification counts as dealt with once the minute its trigger allows
// for showing it has passed.
constexpr std::chrono::seconds kShowingWindow{60};

bool IsNotFound(HRESULT result) {
    return result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ||
           result == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

// COM on the calling thread for the length of one operation. The notepad's
// thread may have it already: apartment-threaded (the answer is S_FALSE,
// which is undone like S_OK) or multithreaded (RPC_E_CHANGED_MODE: COM is
// usable as it is, and nothing is undone).
class ComApartment {
public:
    ComApartment() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    HRESULT Failure() const { return result_ == RPC_E_CHANGED_MODE ? S_OK : result_; }

private:
    HRESULT result_;
};

std::wstring Hex(std::uint64_t value, int digits) {
    wchar_t text[17];
    std::swprintf(text, std::size(text), L"%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

// The task's time form: local time, "YYYY-MM-DDTHH:MM:SS"; nothing for a
// date that does not exist.
std::optional<std::wstring> TaskTime(const SYSTEMTIME& time) {
    using namespace std::chrono;
    const year_month_day date{year{time.year}, month{time.month}, day{time.day}};
    if (time.year == 0 || !date.ok() || time.hour > 23 || time.minute > 59 || time.second > 59) {
        return std::nullopt;
    }
    wchar_t text[20];
    std::swprintf(text, std::size(text), L"%04u-%02u-%02uT%02u:%02u:%02u", time.year, time.month,
                  time.day, time.hour, time.minute, time.second);
    return text;
}

// A time that TaskTime wrote (the engine may add fractions or a zone after it).
std::optional<SYSTEMTIME> ParseTaskTime(const std::wstring& text) {
    SYSTEMTIME time{};
    if (std::swscanf(text.c_str(), L"%4hu-%2hu-%2huT%2hu:%2hu:%2hu", &time.year, &time.month,
                     &time.day, &time.hour, &time.minute, &time.second) != 6) {
        return std::nullopt;
    }
    const auto written = TaskTime(time);
    if (!written || text.compare(0, written->size(), *written) != 0) return std::nullopt;
    return time;
}

std::chrono::sys_seconds SecondsOf(const SYSTEMTIME& time) {
    using namespace std::chrono;
    return sys_days{year{time.year} / month{time.month} / day{time.day}} + hours{time.hour} +
           minutes{time.minute} + seconds{time.second};
}

// XML's five characters of its own and how a text spells them.
using Entity = std::pair<wchar_t, std::wstring_view>;
constexpr Entity kEntities[] = {
    {L'&', L"&amp;"}, {L'<', L"&lt;"}, {L'>', L"&gt;"}, {L'"', L"&quot;"}, {L'\'', L"&apos;"}};

std::wstring XmlEscaped(const std::wstring& text) {
    std::wstring escaped;
    for (const wchar_t c : text) {
        const auto entity = std::ranges::find(kEntities, c, &Entity::first);
        if (entity != std::end(kEntities)) {
            escaped += entity->second;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

// The text of the first element `name` in a task's XML, as the engine gives
// it back; nothing when it has none.
std::optional<std::wstring> ElementText(const std::wstring& xml, const std::wstring& name) {
    const std::wstring open = L"<" + name + L">";
    const std::size_t begin = xml.find(open);
    if (begin == std::wstring::npos) return std::nullopt;
    const std::size_t textBegin = begin + open.size();
    const std::size_t end = xml.find(L"</" + name + L">", textBegin);
    if (end == std::wstring::npos) return std::nullopt;
    std::wstring text;
    for (std::size_t i = textBegin; i < end;) {
        bool replaced = false;
        for (const auto& [character, spelled] : kEntities) {
            if (xml.compare(i, spelled.size(), spelled) == 0) {
                text += character;
                i += spelled.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) text += xml[i++];
    }
    return text;
}

struct TaskPlan {
    std::wstring start;
    std::optional<std::wstring> end;
    std::wstring command;
    std::wstring arguments;
    std::wstring description;
};

// The task in the Task Scheduler's XML form: one time trigger, one program
// to run in the user's session; missed while the user was away, it runs at
// the next chance, and it is never stopped for running long (a notification
// stays open until it is closed).
std::wstring TaskXml(const TaskPlan& plan) {
    std::wstring xml =
        L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"
        L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\n"
        L"  <RegistrationInfo>\n    <Author>Tavrin</Author>\n    <Description>" +
        XmlEscaped(plan.description) +
        L"</Description>\n  </RegistrationInfo>\n"
        L"  <Triggers>\n    <TimeTrigger>\n      <StartBoundary>" +
        plan.start + L"</StartBoundary>\n";
    if (plan.end) xml += L"      <EndBoundary>" + *plan.end + L"</EndBoundary>\n";
    xml +=
        L"      <Enabled>true</Enabled>\n    </TimeTrigger>\n  </Triggers>\n"
        L"  <Settings>\n"
        L"    <MultipleInstancesPolicy>Parallel</MultipleInstancesPolicy>\n"
        L"    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\n"
        L"    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\n"
        L"    <StartWhenAvailable>true</StartWhenAvailable>\n"
        L"    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>\n"
        L"  </Settings>\n"
        L"  <Actions>\n    <Exec>\n      <Command>" +
        XmlEscaped(plan.command) + L"</Command>\n      <Arguments>" + XmlEscaped(plan.arguments) +
        L"</Arguments>\n    </Exec>\n  </Actions>\n</Task>\n";
    return xml;
}

// What a notification shows, as one line in its task's description:
// "Tavrin notification|flags=15|sound=...|title=...|text=...". Line breaks,
// the separator, the escape itself and XML's own characters are written as
// \xHH, so the line survives any engine's XML and never runs anything.
bool NeedsEscape(wchar_t c) {
    return c < 0x20 || c == 0x7F || c == L'\\' || c == L'|' || c == L'&' || c == L'<' || c == L'>';
}

std::wstring RecordField(const std::wstring& text) {
    std::wstring field;
    for (const wchar_t c : text) field += NeedsEscape(c) ? L"\\x" + Hex(c, 2) : std::wstring(1, c);
    return field;
}

std::optional<std::wstring> FieldText(std::wstring_view field) {
    std::wstring text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != L'\\') {
            text += field[i];
            continue;
        }
        if (i + 3 >= field.size() || field[i + 1] != L'x' || !std::iswxdigit(field[i + 2]) ||
            !std::iswxdigit(field[i + 3])) {
            return std::nullopt;
        }
        text += static_cast<wchar_t>(
            std::wcstoul(std::wstring(field.substr(i + 2, 2)).c_str(), nullptr, 16));
        i += 3;
    }
    return text;
}

std::wstring EncodeContent(const NotificationContent& content) {
    return std::wstring(kRecordTag) + L"|flags=" + std::to_wstring(content.actionFlags) +
           L"|sound=" + RecordField(content.sound) + L"|title=" + RecordField(content.title) +
           L"|text=" + RecordField(content.text);
}

std::optional<NotificationContent> DecodeContent(std::wstring_view record) {
    static constexpr std::wstring_view kKeys[] = {L"flags=", L"sound=", L"title=", L"text="};
    std::vector<std::wstring_view> parts;
    for (std::size_t begin = 0;;) {
        const std::size_t end = record.find(L'|', begin);
        parts.push_back(record.substr(begin, end - begin));
        if (end == std::wstring_view::npos) break;
        begin = end + 1;
    }
    if (parts.size() != 1 + std::size(kKeys) || parts[0] != kRecordTag) return std::nullopt;
    std::wstring values[std::size(kKeys)];
    for (std::size_t i = 0; i < std::size(kKeys); ++i) {
        if (!parts[i + 1].starts_with(kKeys[i])) return std::nullopt;
        const auto value = FieldText(parts[i + 1].substr(kKeys[i].size()));
        if (!value) return std::nullopt;
        values[i] = *value;
    }
    const std::wstring& flags = values[0];
    if (flags.empty() || flags.size() > 10 ||
        flags.find_first_not_of(L"0123456789") != std::wstring::npos) {
        return std::nullopt;
    }
    const unsigned long long flagValue = std::wcstoull(flags.c_str(), nullptr, 10);
    if (flagValue > 0xFFFFFFFFull) return std::nullopt;
    return NotificationContent{values[2], values[3], values[1],
                               static_cast<std::uint32_t>(flagValue)};
}

// The engine runs the command as it stands: it must name a program file by
// its full path, or another program could be found in its place.
bool IsProgramFile(const std::wstring& path) {
    const bool absolute =
        (path.size() > 2 && path[1] == L':' && path[2] == L'\\') || path.starts_with(L"\\\\");
    const DWORD attributes =
        absolute ? ::GetFileAttributesW(path.c_str()) : INVALID_FILE_ATTRIBUTES;
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

HRESULT Register(ITaskFolder* folder, const std::wstring& name, const std::wstring& xml,
                 TASK_CREATION mode) {
    const Bstr path(name);
    const Bstr text(xml);
    if (!path.Made() || !text.Made()) return E_OUTOFMEMORY;
    ComPtr<IRegisteredTask> task;
    VARIANT none = Nothing();
    return folder->RegisterTask(path.Get(), text.Get(), mode, none, none,
                                TASK_LOGON_INTERACTIVE_TOKEN, none, task.GetAddressOf());
}

HRESULT Delete(ITaskFolder* folder, const std::wstring& name) {
    const Bstr path(name);
    if (!path.Made()) return E_OUTOFMEMORY;
    return folder->DeleteTask(path.Get(), 0);
}

HRESULT ReadXml(ITaskFolder* folder, const std::wstring& name, std::wstring& xml) {
    const Bstr path(name);
    if (!path.Made()) return E_OUTOFMEMORY;
    ComPtr<IRegisteredTask> task;
    HRESULT result = folder->GetTask(path.Get(), task.GetAddressOf());
    Bstr text;
    if (SUCCEEDED(result)) result = task->get_Xml(text.Out());
    xml = text.Text();
    return result;
}

// The system's words for a failure, with its code.
std::string Cause(HRESULT result) {
    char code[11];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
    return SystemErrorText(static_cast<std::uint32_t>(result)) + " (" + code + ")";
}

std::string HandleText(std::uint32_t handle) { return FromSystemText(Hex(handle, 8)); }

}  // namespace

HRESULT ConnectSystemTaskEngine(ITaskService** service) {
    *service = nullptr;
    ComPtr<ITaskService> engine;
    HRESULT result =
        ::CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                           reinterpret_cast<void**>(engine.GetAddressOf()));
    VARIANT none = Nothing();
    if (SUCCEEDED(result)) result = engine->Connect(none, none, none, none);
    if (SUCCEEDED(result)) *service = engine.Detach();
    return result;
}

// One operation's hold on the engine: COM, the connected service and the
// task folder, released in that order's reverse.
struct TaskSchedulerNotificationService::Session {
    ComApartment apartment;
    ComPtr<ITaskService> service;
    ComPtr<ITaskFolder> folder;  // null when it does not exist and was not to be made
};

TaskSchedulerNotificationService::TaskSchedulerNotificationService(TaskEngine engine,
                                                                   const Clock& clock)
    : engine_(std::move(engine)), clock_(clock) {}


const wchar_t* TaskSchedulerNotificationService::NotifierSwitch() { return kNotifierSwitch; }

std::wstring TaskSchedulerNotificationService::NotificationTask(std::uint32_t handle) {
    return kNotificationPrefix + Hex(handle, 8);
}

std::wstring TaskSchedulerNotificationService::StartTask(const std::string& programPath) {
    // A task name can't spell every path (a backslash makes a folder): a
    // digest of it (64-bit FNV-1a of its UTF-8) names the program's one start.
    std::uint64_t digest = 0xcbf29ce484222325ull;
    for (const char c : programPath) {
        digest = (digest ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
    }
    return L"Start " + Hex(digest, 16);
}

std::uint32_t TaskSchedulerNotificationService::SetNotification(
    std::uint32_t existing, const NotificationTrigger& trigger,
    const UserNotification& notification) {
    const auto start = TaskTime(trigger.startTime);
    const auto end = TaskTime(trigger.endTime);
    if (!start || !end) {
        Fail("the notification's time does not exist");
        return 0;
    }
    const auto program = ToSystemText(trigger.application);
    if (!program || !IsProgramFile(*program)) {
        Fail("there is no program to run at " + trigger.application);
        return 0;
    }
    const auto title = ToSystemText(notification.dialogTitle);
    const auto text = ToSystemText(notification.dialogText);
    const auto sound = ToSystemText(notification.sound);
    if (!title || !text || !sound) {
        Fail("the notification's texts are not valid UTF-8");
        return 0;
    }
    const std::wstring description =
        EncodeContent({*title, *text, *sound, notification.actionFlags});
    const auto xmlFor = [&](std::uint32_t handle) {
        return TaskXml({*start, *end, *program,
                        std::wstring(kNotifierSwitch) + L" " + Hex(handle, 8), description});
    };

    Session session;
    if (!Open(session, existing == 0)) return 0;
    if (existing != 0) {
        const std::wstring name = NotificationTask(existing);
        std::wstring xml;
        const HRESULT found = session.folder ? ReadXml(session.folder.Get(), name, xml)
                                             : HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        if (IsNotFound(found)) {
            Fail("no notification has the handle " + HandleText(existing));
            return 0;
        }
        if (FAILED(found)) {
            Fail("can't look for the notification", found);
            return 0;
        }
        const HRESULT replaced =
            Register(session.folder.Get(), name, xmlFor(existing), TASK_UPDATE);
        if (FAILED(replaced)) {
            // The memo drops this handle either way, and a leftover would ring
            // at a time nobody holds.
            FailAndRemove(session.folder.Get(), name, "can't replace the notification's task",
                          replaced);
            return 0;
        }
        return existing;
    }
    // Random handles: one that a memo still holds after its notification went
    // away is very unlikely to name another memo's notification later.
    // Registering only where no task of that name exists claims the handle.
    std::random_device random;
    for (int attempt = 0; attempt < 64; ++attempt) {
        const std::uint32_t handle = random();
        if (handle == 0) continue;
        const HRESULT result =
            Register(session.folder.Get(), NotificationTask(handle), xmlFor(handle), TASK_CREATE);
        if (result == HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS)) continue;
        if (FAILED(result)) {
            Fail("can't register the notification's task", result);
            return 0;
        }
        return handle;
    }
    Fail("no unused notification handle was found");
    return 0;
}

int TaskSchedulerNotificationService::RemoveNotification(std::uint32_t handle) {
    // Memos without an alarm are deleted with the handle 0: nothing to remove, nothing to say.
    if (handle == 0) return 0;
    Session session;
    if (!Open(session, false)) return 0;
    const HRESULT result = session.folder ? Delete(session.folder.Get(), NotificationTask(handle))
                                          : HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    if (IsNotFound(result)) {
        Fail("no notification has the handle " + HandleText(handle));
        return 0;
    }
    if (FAILED(result)) {
        Fail("can't delete the notification's task", result);
        return 0;
    }
    return 1;
}

int TaskSchedulerNotificationService::ScheduleAppStart(const std::string& programPath,
                                                       const SYSTEMTIME& start) {
    const auto time = TaskTime(start);
    if (!time) {
        Fail("the start time does not exist");
        return 0;
    }
    const auto program = ToSystemText(programPath);
    if (!program || !IsProgramFile(*program)) {
        Fail("there is no program at " + programPath);
        return 0;
    }
    Session session;
    if (!Open(session, true)) return 0;
    const std::wstring name = StartTask(programPath);
    const HRESULT result = Register(
        session.folder.Get(), name,
        TaskXml({*time, std::nullopt, *program, L"AppRunAtTime", L"Start of Tavrin at an alarm"}),
        TASK_CREATE_OR_UPDATE);
    if (FAILED(result)) {
        // An earlier start that could not be moved would wake the program for nothing.
        FailAndRemove(session.folder.Get(), name, "can't register the program's start", result);
        return 0;
    }
    return 1;
}

int TaskSchedulerNotificationService::AcknowledgeAppNotifications(const std::string& programPath) {
    const SYSTEMTIME now = clock_.Now();
    if (!TaskTime(now)) {
        Fail("the clock gives no valid time");
        return 0;
    }
    const auto program = ToSystemText(programPath);
    if (!program) {
        Fail("the program's path is not valid UTF-8");
        return 0;
    }
    Session session;
    if (!Open(session, false)) return 0;
    if (!session.folder) return 1;

    ComPtr<IRegisteredTaskCollection> tasks;
    LONG count = 0;
    HRESULT result = session.folder->GetTasks(TASK_ENUM_HIDDEN, tasks.GetAddressOf());
    if (SUCCEEDED(result)) result = tasks->get_Count(&count);
    if (FAILED(result)) {
        Fail("can't list the notifications", result);
        return 0;
    }
    const std::wstring startName = StartTask(programPath);
    std::vector<std::wstring> passed;
    for (LONG index = 1; index <= count; ++index) {
        VARIANT item = Nothing();
        item.vt = VT_I4;
        item.lVal = index;
        ComPtr<IRegisteredTask> task;
        Bstr name;
        Bstr xml;
        result = tasks->get_Item(item, task.GetAddressOf());
        if (SUCCEEDED(result)) result = task->get_Name(name.Out());
        if (SUCCEEDED(result)) result = task->get_Xml(xml.Out());
        if (FAILED(result)) {
            Fail("can't read the notifications", result);
            return 0;
        }
        const std::wstring taskName = name.Text();
        const bool isStart = taskName == startName;
        if (!isStart && !taskName.starts_with(kNotificationPrefix)) continue;
        const auto command = ElementText(xml.Text(), L"Command");
        // Another program's notifications are its own to acknowledge.
        if (!isStart && command && !SamePath(*command, *program)) continue;
        const auto startBoundary = ElementText(xml.Text(), L"StartBoundary");
        const auto time = startBoundary ? ParseTaskTime(*startBoundary) : std::nullopt;
        // A task without a time of ours fires never.
        if (!time || SecondsOf(*time) + kShowingWindow < SecondsOf(now)) passed.push_back(taskName);
    }
    HRESULT firstFailure = S_OK;
    for (const std::wstring& name : passed) {
        result = Delete(session.folder.Get(), name);
        if (FAILED(result) && !IsNotFound(result) && SUCCEEDED(firstFailure)) firstFailure = result;
    }
    if (FAILED(firstFailure)) {
        Fail("can't delete a notification's task", firstFailure);
        return 0;
    }
    return 1;
}

std::optional<NotificationContent> TaskSchedulerNotificationService::ContentOf(
    std::uint32_t handle) {
    Session session;
    if (!Open(session, false)) return std::nullopt;
    std::wstring xml;
    const HRESULT result = session.folder
                               ? ReadXml(session.folder.Get(), NotificationTask(handle), xml)
                               : HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    if (IsNotFound(result)) {
        Fail("no notification has the handle " + HandleText(handle));
        return std::nullopt;
    }
    if (FAILED(result)) {
        Fail("can't read the notification's task", result);
        return std::nullopt;
    }
    const auto description = ElementText(xml, L"Description");
    auto content = description ? DecodeContent(*description) : std::nullopt;
    if (!content)
        Fail("the task of the notification " + HandleText(handle) + " holds no notification");
    return content;
}

bool TaskSchedulerNotificationService::Open(Session& session, bool createFolder) {
    if (const HRESULT result = session.apartment.Failure(); FAILED(result)) {
        return Fail("COM can't be used on this thread", result);
    }
    ITaskService* service = nullptr;
    HRESULT result = engine_(&service);
    session.service.Attach(service);
    if (SUCCEEDED(result) && !service) result = E_POINTER;
    if (FAILED(result)) return Fail("can't reach the Task Scheduler", result);

    const Bstr folderPath(kFolderPath);
    if (!folderPath.Made()) return Fail("can't open the task folder", E_OUTOFMEMORY);
    result = session.service->GetFolder(folderPath.Get(), session.folder.ReleaseAndGetAddressOf());
    if (IsNotFound(result) && createFolder) {
        ComPtr<ITaskFolder> root;
        const Bstr rootPath(L"\\");
        const Bstr folderName(kFolderName);
        result = rootPath.Made() && folderName.Made()
                     ? session.service->GetFolder(rootPath.Get(), root.GetAddressOf())
                     : E_OUTOFMEMORY;
        if (SUCCEEDED(result)) {
            result = root->CreateFolder(folderName.Get(), Nothing(),
                                        session.folder.ReleaseAndGetAddressOf());
        }
        // Another instance may have made it meanwhile.
        if (result == HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS)) {
            result = session.service->GetFolder(folderPath.Get(),
                                                session.folder.ReleaseAndGetAddressOf());
        }
    }
    if (IsNotFound(result) && !createFolder) {
        session.folder.Reset();
        return true;
    }
    if (SUCCEEDED(result) && !session.folder) result = E_POINTER;
    if (FAILED(result))
        return Fail("can't open the task folder " + FromSystemText(kFolderPath), result);
    return true;
}

bool TaskSchedulerNotificationService::Fail(const std::string& error) {
    lastError_ = error;
    ::OutputDebugStringW(ToSystemTextForDisplay("Tavrin notifications: " + error + "\n").c_str());
    return false;
}

bool TaskSchedulerNotificationService::Fail(const std::string& what, HRESULT result) {
    return Fail(what + ": " + Cause(result));
}

void TaskSchedulerNotificationService::FailAndRemove(ITaskFolder* folder, const std::wstring& task,
                                                     const std::string& what, HRESULT result) {
    const HRESULT removed = Delete(folder, task);
    std::string error = what + ": " + Cause(result);
    if (FAILED(removed) && !IsNotFound(removed)) {
        error += "; the earlier task stays: " + Cause(removed);
    }
    Fail(error);
}

std::optional<std::uint32_t> ParseNotificationHandle(std::wstring_view text) {
    if (text.size() != 8 ||
        text.find_first_not_of(L"0123456789abcdefABCDEF") != std::wstring_view::npos) {
        return std::nullopt;
    }
    const auto handle =
        static_cast<std::uint32_t>(std::wcstoul(std::wstring(text).c_str(), nullptr, 16));
    if (handle == 0) return std::nullopt;
    return handle;
}

}  // namespace tavrin::platform
