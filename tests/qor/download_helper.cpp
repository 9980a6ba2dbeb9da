// Downloads one file through the registered QOR server in a process of its
// own, so that tests can kill it at any moment or begin again in a new
// process:
//   qor_download_helper URL SAVEPATH FILENAME THREADS BANDWIDTH RESULTFILE [STOPAFTER]
// Writes "from=N" (the count the run started from) and how it ended to
// RESULTFILE. Exit code: 0 completed, 2 failed, 3 stopped after STOPAFTER
// bytes, 1 bad use or set-up failure.

#include <windows.h>
#include <ocidl.h>
#include <oleauto.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "qor/qor.h"
#include "tests/qor/qor_test_support.h"
#include "win/com.h"
#include "win/text.h"

namespace {

using qor_test::Event;
using qor_test::EventSink;

uint64_t Downloaded(IQORDownloadJob* job) {
    win::ComPtr<IQORDownloadProgress> progress;
    DECIMAL value = {};
    if (SUCCEEDED(job->get_DownloadProgress(progress.GetAddressOf())))
        progress->get_DownloadedBytes(&value);
    return value.Lo64;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 7) {
        fprintf(stderr, "usage: qor_download_helper URL SAVEPATH FILENAME THREADS BANDWIDTH "
                        "RESULTFILE [STOPAFTER]\n");
        return 1;
    }
    win::ComInit com;
    win::ComPtr<IQORDownloader> downloader;
    if (FAILED(com.Result()) ||
        FAILED(::CoCreateInstance(CLSID_QORDownloader, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(downloader.GetAddressOf()))) ||
        FAILED(downloader->Initialize(win::ToBstr("C:\\").Get())))
        return 1;
    win::ComPtr<IQORDownloadJob> job;
    if (FAILED(downloader->CreateDownloadJob(job.GetAddressOf()))) return 1;
    job->put_DownloadURL(win::ToBstr(argv[1]).Get());
    job->put_SavePath(win::ToBstr(argv[2]).Get());
    job->put_FileName(win::ToBstr(argv[3]).Get());
    job->put_MaxThreadCount(atol(argv[4]));
    job->put_Bandwidth(atol(argv[5]));
    const uint64_t stopAfter = argc > 7 ? strtoull(argv[7], nullptr, 10) : 0;

    uint64_t from = ~0ull;
    int ended = -1;
    bool stopping = false;
    auto sink = win::TakeOwnership(new EventSink());
    sink->hook = [&](const Event& e) {
        switch (e.id) {
        case qor_test::kReadData: from = Downloaded(job.Get()); break;
        case qor_test::kInProgress:
            if (stopAfter && !stopping && Downloaded(job.Get()) >= stopAfter) {
                stopping = true;
                downloader->StopDownloadJob(e.job);
            }
            break;
        case qor_test::kCompleted: ended = 0; break;
        case qor_test::kError: ended = 2; break;
        case qor_test::kCanceled: ended = 3; break;
        default: break;
        }
    };
    win::ComPtr<IConnectionPointContainer> container;
    win::ComPtr<IConnectionPoint> point;
    DWORD cookie = 0;
    if (FAILED(downloader.As(&container)) ||
        FAILED(container->FindConnectionPoint(DIID__IQORDownloadJobEvents, point.GetAddressOf())) ||
        FAILED(point->Advise(sink.Get(), &cookie)) ||
        FAILED(downloader->BeginDownloadJob(job.Get())))
        return 1;
    MSG msg;
    while (ended < 0 && ::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    point->Unadvise(cookie);
    FILE* result = fopen(argv[6], "w");
    if (result) {
        fprintf(result, "from=%llu\nended=%d\n", static_cast<unsigned long long>(from), ended);
        fclose(result);
    }
    return ended;
}
