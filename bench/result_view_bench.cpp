// How long the result view takes to fill with 5 000 records grouped by
// product, to regroup them by severity, and to show 50 status changes.
//   tools/test-env build build/wine-run build/bin/result_view_bench.exe [res.xml]

#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "tests/zema/ui/models/result_fakes.h"
#include "zema/core/system_utils.h"
#include "zema/ui/toolkit/skin_resources.h"
#include "zema/ui/windows/result_view.h"

namespace {

constexpr int kRecords = 5000;
constexpr int kProducts = 40;
constexpr int kStatusChanges = 50;

// CPU time of this process: the machine may be shared, wall time is noisy.
double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto value = [](FILETIME t) {
        return (static_cast<uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7;
    };
    return value(kernel) + value(user);
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / frequency.QuadPart;
}

LARGE_INTEGER Now() {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now;
}

void Pump() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

double g_cpu = 0;

double ShowBy(zema::ResultView& view, int item) {
    double cpu = CpuSeconds();
    LARGE_INTEGER start = Now();
    HWND combo = view.Item(zema::kIdShowBy);
    ::SendMessageA(combo, CB_SETCURSEL, item, 0);
    ::SendMessageA(view.hwnd(), WM_COMMAND, MAKEWPARAM(zema::kIdShowBy, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(combo));
    ::UpdateWindow(view.hwnd());
    ::UpdateWindow(view.UpdateList().hwnd());
    g_cpu = CpuSeconds() - cpu;
    return Seconds(start, Now());
}

}  // namespace

int main(int argc, char** argv) {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    zema::SkinResources skin;
    if (argc > 1 && !skin.Load(argv[1])) std::printf("skin %s not loaded\n", argv[1]);

    using namespace zema::testing_ui;
    FakeSession session;
    FakeSource source(session);
    for (int i = 0; i < kRecords; ++i) {
        int32_t product = 100 + i % kProducts;
        session.Add(500000 + i, zema::UpdateStatus::NotDownloaded, product,
                    static_cast<int16_t>(1 + i % 4));
    }
    for (int p = 0; p < kProducts; ++p) source.groups.products.push_back(100 + p);
    source.groups.severities = {1, 2, 3, 4};

    HWND parent = ::CreateWindowExA(0, "STATIC", "bench", WS_POPUP | WS_VISIBLE, 0, 0, 900, 600,
                                    nullptr, nullptr, nullptr, nullptr);
    zema::ResultView view(session, source, skin);
    if (!view.Create(parent)) {
        std::printf("the result view could not be made\n");
        return 1;
    }
    ::MoveWindow(view.hwnd(), 0, 0, 900, 600, TRUE);
    ::ShowWindow(view.hwnd(), SW_SHOW);
    Pump();

    {
        FakeSkin names;
        zema::ResultRows rows(session, source, names);
        zema::TreeNodes nodes;
        LARGE_INTEGER start = Now();
        rows.FillUpdates(nodes, zema::ShowBy::Product);
        std::printf("rows alone, grouped by product:      %.3f s\n", Seconds(start, Now()));
        start = Now();
        for (int i = 0; i < kRecords; ++i) zema::FormatDate(45000.0 + i % 300);
        std::printf("  of which dates:                    %.3f s\n", Seconds(start, Now()));
        start = Now();
        for (int i = 0; i < kRecords; ++i) zema::FormatSize(1024 * (i + 1));
        std::printf("  of which sizes:                    %.3f s\n", Seconds(start, Now()));
    }
    double byProduct = ShowBy(view, 1);
    std::printf("fill %d records grouped by product: %.3f s, %.3f s CPU (%d rows)\n", kRecords,
                byProduct, g_cpu, view.UpdateList().RowCount());
    double bySeverity = ShowBy(view, 2);
    std::printf("regroup by severity:                 %.3f s, %.3f s CPU (%d rows)\n",
                bySeverity, g_cpu, view.UpdateList().RowCount());

    LARGE_INTEGER start = Now();
    double cpu = CpuSeconds();
    for (int i = 0; i < kStatusChanges; ++i)
        session.Changed(*session.records[static_cast<size_t>(i)], zema::UpdateStatus::Downloading,
                        0.02f * i);
    Pump();
    std::printf("%d status changes shown:              %.3f s, %.3f s CPU\n", kStatusChanges,
                Seconds(start, Now()), CpuSeconds() - cpu);
    ::DestroyWindow(parent);
    ::CoUninitialize();
    return 0;
}
