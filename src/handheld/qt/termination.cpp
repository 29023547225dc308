#include "handheld/qt/termination.h"

#include <QObject>
#include <QSocketNotifier>

#include <array>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace tavrin::handheld {
namespace {

// A signal handler may only write to a descriptor: the event loop reads the
// other end and ends the program on its own thread.
int signalWriteEnd = -1;

void OnSignal(int signal) {
    const char byte = static_cast<char>(signal);
    // A full socket already holds a pending close: a lost byte changes nothing.
    [[maybe_unused]] const ssize_t written = ::write(signalWriteEnd, &byte, 1);
}

}  // namespace

void OnTerminationSignals(QObject& owner, std::function<void()> end) {
    std::array<int, 2> ends{};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends.data()) != 0) {
        std::perror("tavrin: no way to save at a termination signal");
        return;
    }
    signalWriteEnd = ends[0];
    auto* notifier = new QSocketNotifier(ends[1], QSocketNotifier::Read, &owner);
    QObject::connect(notifier, &QSocketNotifier::activated, &owner, [end = std::move(end), readEnd = ends[1]] {
        char byte = 0;
        if (::read(readEnd, &byte, 1) == 1) end();
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(signal, &action, nullptr);
}

}  // namespace tavrin::handheld
