// An in-memory Task Scheduler for the notification service's tests: task
// folders below the root (made by CreateFolder), their tasks kept as the XML
// they were registered with, and a failure at any chosen step. Only what the
// service calls is there; the rest answers E_NOTIMPL.
//
// Every call of the engine's objects is a step, the engine's own creation
// the first; the step `failAt` answers E_FAIL and changes nothing.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>

#include "platform/win32/task_scheduler_notification_service.h"

namespace tavrin::testing {

struct InMemoryTasks {
    std::set<std::wstring> folders;              // their paths: "\Tavrin", "\Tavrin\S-1-..."
    std::map<std::wstring, std::wstring> tasks;  // path → XML
    int failAt = 0;                              // 0: nothing fails
    int steps = 0;
    bool refuseRegistrations = false;  // RegisterTask answers E_ACCESSDENIED

    // Counts a step; true when it is the one to fail.
    bool Fails() { return ++steps == failAt; }
};

platform::TaskEngine InMemoryTaskEngine(std::shared_ptr<InMemoryTasks> tasks);

}  // namespace tavrin::testing
