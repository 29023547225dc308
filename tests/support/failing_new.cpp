#include "support/failing_new.h"

#include <atomic>
#include <cstddef>
#include <new>

namespace {

std::atomic<bool> failing{false};

}  // namespace

// The replaceable form the memo list calls. Outside a NothrowNewFails it
// allocates as the library's own does, through the throwing form, so that a
// sanitizer still pairs every block with its delete.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (failing.load()) return nullptr;
    try {
        return ::operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

namespace tavrin::testing {

NothrowNewFails::NothrowNewFails() { failing.store(true); }

NothrowNewFails::~NothrowNewFails() { failing.store(false); }

}  // namespace tavrin::testing
