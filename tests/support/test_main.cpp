// The test programs' entry point. A program ends as soon as its results are
// written: under Wine a process that used COM and MSXML now and then never
// finished its own exit (the libraries' detach) long after every test had
// passed, and was then counted as failed. Nothing a test checks runs at
// exit, so the results are flushed and the process ends there.

#include <windows.h>

#include <cstdio>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::fflush(stdout);
    std::fflush(stderr);
    ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(result));
    return result;
}
