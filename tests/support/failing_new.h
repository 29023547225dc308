// Memory that can't be had for the store's records: the memo list makes its
// memos with `new (std::nothrow)` and takes a null for memory that ran out.
// Test programs built with failing_new.cpp have that operator replaced.
#pragma once

namespace tavrin::testing {

// While one of these lives, every `new (std::nothrow)` of the program fails.
class NothrowNewFails {
public:
    NothrowNewFails();
    ~NothrowNewFails();
    NothrowNewFails(const NothrowNewFails&) = delete;
    NothrowNewFails& operator=(const NothrowNewFails&) = delete;
};

}  // namespace tavrin::testing
