// The desktop ends a session, and a user or service manager stops programs,
// with SIGTERM, SIGHUP or SIGINT: Tavrin then closes its window as if the
// user did, which saves the memos.
#pragma once

class QWidget;

namespace tavrin::handheld {

// From now on those signals close `window`. Call once, after the window is made.
void CloseOnTerminationSignals(QWidget& window);

}  // namespace tavrin::handheld
