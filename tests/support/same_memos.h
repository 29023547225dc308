// Comparing two memo lists memo by memo.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "store/memo_list.h"
#include "support/page_pixels.h"

namespace tavrin::testing {

// Expects `actual` to hold the memos of `expected` in the same order: the
// same times, alarms, page sizes and pixels.
inline void ExpectSameMemos(const MemoList& actual, const MemoList& expected) {
    ASSERT_EQ(actual.Count(), expected.Count());
    int position = 1;
    for (const MemoEntry *a = actual.First(), *e = expected.First(); a != nullptr && e != nullptr;
         a = actual.NextOf(a), e = expected.NextOf(e), ++position) {
        SCOPED_TRACE("memo " + std::to_string(position));
        EXPECT_EQ(a->created, e->created);
        EXPECT_EQ(a->alarmTime, e->alarmTime);
        EXPECT_EQ(a->alarmHandle, e->alarmHandle);
        EXPECT_EQ(a->page.Width(), e->page.Width());
        EXPECT_EQ(a->page.Height(), e->page.Height());
        ASSERT_EQ(a->page.Size(), e->page.Size());
        EXPECT_EQ(PagePixels(a->page).Bytes(), PagePixels(e->page).Bytes());
    }
}

}  // namespace tavrin::testing
