// Test entry point for the Win32 backend, run under Wine. Texts are drawn in
// the memory DCs' own system font, which Wine ships as a bitmap font, so the
// measures the tests rely on don't depend on the machine's fonts.
#include <gtest/gtest.h>

#include "platform/win32/win32_api.h"

int main(int argc, char** argv) {
    // A crash or a missing drive must end the program with a failure, not
    // wait at a dialog box that nobody answers.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
