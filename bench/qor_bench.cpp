// Throughput, CPU time and peak memory of downloads through QORDownloader:
//   qor_bench.exe [URL ...]
// Without arguments it makes a 256 MB local file and downloads it with 1
// and with 3 portions; each URL given (for instance a file served by nginx
// on loopback, see network-bench) is downloaded the same way.
// QOR.dll beside this program is registered first.

#include <windows.h>
#include <oleauto.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "bench/qor_bench_support.h"
#include "win/text.h"

namespace {

constexpr uint64_t kFileSize = 256ull * 1024 * 1024;
constexpr DWORD kRunTimeoutMs = 15 * 60 * 1000;

bool Run(IQORDownloader* downloader, const std::string& url, const std::string& saveFolder,
         int portions) {
    bench::RemoveFolder(saveFolder);
    win::ComPtr<IQORDownloadJob> job;
    if (FAILED(downloader->CreateDownloadJob(job.GetAddressOf()))) return false;
    job->put_DownloadURL(win::ToBstr(url).Get());
    job->put_SavePath(win::ToBstr(saveFolder).Get());
    job->put_FileName(win::ToBstr("bench.bin").Get());
    job->put_MaxThreadCount(portions);
    job->put_ResumeBreakpoint(VARIANT_TRUE);

    auto sink = win::TakeOwnership(new bench::JobSink());
    bench::SinkConnection connection(downloader, sink.Get());
    if (!connection.Connected()) return false;

    const double cpuBefore = bench::CpuSeconds();
    LARGE_INTEGER start, end;
    ::QueryPerformanceCounter(&start);
    if (FAILED(downloader->BeginDownloadJob(job.Get()))) return false;
    bench::PumpUntilEnded(*sink.Get(), kRunTimeoutMs);
    ::QueryPerformanceCounter(&end);
    const double seconds = bench::Seconds(start, end);
    const double cpu = bench::CpuSeconds() - cpuBefore;

    DECIMAL length = {};
    job->get_FileLength(&length);
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof(memory));
    if (sink->ended != bench::JobEnd::kCompleted) {
        printf("%-10s portions=%d  FAILED (event %d, code %ld)\n", url.substr(0, 10).c_str(),
               portions, static_cast<int>(sink->ended), sink->errorCode);
        bench::RemoveFolder(saveFolder);
        return false;
    }
    const double megabytes = static_cast<double>(length.Lo64) / (1024.0 * 1024.0);
    printf("portions=%d  size=%.0f MB  time=%.2f s  throughput=%.1f MB/s  cpu=%.2f s (%.0f%% of "
           "one core)  peak working set=%.1f MB  peak private=%.1f MB\n",
           portions, megabytes, seconds, megabytes / seconds, cpu, 100.0 * cpu / seconds,
           static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0),
           static_cast<double>(memory.PeakPagefileUsage) / (1024.0 * 1024.0));
    bench::RemoveFolder(saveFolder);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    win::ComInit com;
    if (FAILED(com.Result()) || !bench::RegisterServer()) {
        fprintf(stderr, "qor_bench: QOR.dll could not be registered\n");
        return 1;
    }
    win::ComPtr<IQORDownloader> downloader;
    if (FAILED(::CoCreateInstance(CLSID_QORDownloader, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(downloader.GetAddressOf()))) ||
        FAILED(downloader->Initialize(win::ToBstr("C:\\").Get()))) {
        fprintf(stderr, "qor_bench: no QORDownloader\n");
        return 1;
    }
    char temp[MAX_PATH + 1] = {};
    ::GetTempPathA(MAX_PATH, temp);
    std::string work = std::string(temp) + "qor_bench_" + std::to_string(::GetCurrentProcessId());
    ::CreateDirectoryA(work.c_str(), nullptr);
    const std::string save = work + "\\save";
    int failures = 0;
    if (argc < 2) {
        const std::string source = work + "\\source.bin";
        printf("making a 256 MB source file...\n");
        if (!bench::MakeSource(source, kFileSize)) {
            fprintf(stderr, "qor_bench: cannot write %s\n", source.c_str());
            return 1;
        }
        printf("local file %s\n", source.c_str());
        for (int portions : {1, 3})
            if (!Run(downloader.Get(), source, save, portions)) ++failures;
        ::DeleteFileA(source.c_str());
    }
    for (int i = 1; i < argc; ++i) {
        printf("%s\n", argv[i]);
        for (int portions : {1, 3})
            if (!Run(downloader.Get(), argv[i], save, portions)) ++failures;
    }
    downloader.Reset();
    bench::RemoveFolder(save);
    ::RemoveDirectoryA(work.c_str());
    return failures == 0 ? 0 : 2;
}
