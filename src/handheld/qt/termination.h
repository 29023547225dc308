// The desktop ends a session, and a user or service manager stops programs,
// with SIGTERM, SIGHUP or SIGINT: Tavrin then ends as it does at the end of a
// session, saving the memos without asking anything.
#pragma once

#include <functional>

class QObject;

namespace tavrin::handheld {

// From now on those signals run `end` on `owner`'s thread. Call once.
void OnTerminationSignals(QObject& owner, std::function<void()> end);

}  // namespace tavrin::handheld
