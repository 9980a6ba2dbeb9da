// Throughput, CPU time and peak memory of downloads through QORDownloader:
//   qor_bench.exe [URL ...]
// Without arguments it makes a 256 MB local file and downloads it with 1
// and with 3 portions, beside the baseline: a plain ReadFile + WriteFile
// copy of the same file by 1 and by 3 threads (one range each), with reads
// of the size QOR's transfer threads ask for. Three rounds; the medians
// close the report. Each URL given (for instance a file served by nginx on
// loopback, see network-bench) is downloaded once with 1 and 3 portions.
// QOR.dll beside this program is registered first, and a small local file is
// downloaded untimed before any figure: the downloader's first job also
// starts its worker thread and windows, which a program does once.

#include <windows.h>
#include <oleauto.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bench/qor_bench_support.h"
#include "qor/jobs/job_task.h"
#include "win/text.h"
#include "win/unique_handle.h"

namespace {

constexpr uint64_t kFileSize = 256ull * 1024 * 1024;
constexpr DWORD kRunTimeoutMs = 15 * 60 * 1000;
constexpr int kLocalRounds = 3;
constexpr uint64_t kWarmUpSize = 65536;
constexpr double kMegabyte = 1024.0 * 1024.0;

struct Figure {
    double throughput = 0;  // MB/s
    double cpuPerMegabyte = 0;  // ms
};

// Figures of every round, by case.
using Figures = std::map<std::string, std::vector<Figure>>;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void PrintMedians(const Figures& figures, const std::string& name, const std::string& baseline) {
    auto medians = [&](const std::string& key, double& throughput, double& cpu) {
        std::vector<double> t, c;
        auto found = figures.find(key);
        if (found == figures.end()) return false;
        for (const Figure& f : found->second) {
            t.push_back(f.throughput);
            c.push_back(f.cpuPerMegabyte);
        }
        throughput = Median(t);
        cpu = Median(c);
        return true;
    };
    double t = 0, c = 0, bt = 0, bc = 0;
    if (!medians(name, t, c) || !medians(baseline, bt, bc) || bt == 0 || bc == 0) return;
    printf("%s  throughput=%.1f MB/s  cpu=%.1f ms per MB  against %s: %.2f x the throughput, "
           "%.2f x the cpu per MB\n",
           name.c_str(), t, c, baseline.c_str(), t / bt, c / bc);
}

// Copies one range of the source with plain ReadFile and WriteFile calls, the
// file pointers moving on by themselves.
bool CopyRange(const std::string& source, const std::string& target, uint64_t start,
               uint64_t length) {
    win::FileHandle in(::CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    win::FileHandle out(::CreateFileA(target.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(start);
    if (!in || !out || !::SetFilePointerEx(in.Get(), at, nullptr, FILE_BEGIN) ||
        !::SetFilePointerEx(out.Get(), at, nullptr, FILE_BEGIN))
        return false;
    std::vector<char> buffer(qor::JobTask::kReadSize);
    for (uint64_t done = 0; done < length;) {
        const DWORD want = static_cast<DWORD>(std::min<uint64_t>(buffer.size(), length - done));
        DWORD got = 0, put = 0;
        if (!::ReadFile(in.Get(), buffer.data(), want, &got, nullptr) || got == 0 ||
            !::WriteFile(out.Get(), buffer.data(), got, &put, nullptr) || put != got)
            return false;
        done += got;
    }
    return true;
}

// The baseline for a local source: the same file copied by `threads`
// threads, the target sized first as QOR sizes its file.
bool Copy(const std::string& source, const std::string& saveFolder, int threads,
          Figures& figures) {
    bench::RemoveFolder(saveFolder);
    ::CreateDirectoryA(saveFolder.c_str(), nullptr);
    const std::string target = saveFolder + "\\copy.bin";
    {
        win::FileHandle out(::CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr,
                                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        FILE_END_OF_FILE_INFO end = {};
        end.EndOfFile.QuadPart = static_cast<LONGLONG>(kFileSize);
        if (!out || !::SetFileInformationByHandle(out.Get(), FileEndOfFileInfo, &end,
                                                  sizeof(end)))
            return false;
    }
    const double cpuBefore = bench::CpuSeconds();
    LARGE_INTEGER start, end;
    ::QueryPerformanceCounter(&start);
    std::atomic<bool> ok{true};
    std::vector<std::thread> running;
    const uint64_t part = kFileSize / static_cast<uint64_t>(threads);
    for (int i = 0; i < threads; ++i) {
        const uint64_t from = part * static_cast<uint64_t>(i);
        const uint64_t length = i + 1 == threads ? kFileSize - from : part;
        running.emplace_back([&, from, length] {
            if (!CopyRange(source, target, from, length)) ok = false;
        });
    }
    for (std::thread& t : running) t.join();
    ::QueryPerformanceCounter(&end);
    const double seconds = bench::Seconds(start, end);
    const double cpu = bench::CpuSeconds() - cpuBefore;
    bench::RemoveFolder(saveFolder);
    const std::string name = "plain copy, " + std::to_string(threads) +
                             (threads == 1 ? " thread" : " threads");
    if (!ok) {
        printf("%s  FAILED\n", name.c_str());
        return false;
    }
    const double megabytes = static_cast<double>(kFileSize) / kMegabyte;
    printf("%s  size=%.0f MB  time=%.2f s  throughput=%.1f MB/s  cpu=%.2f s (%.0f%% of one "
           "core)\n",
           name.c_str(), megabytes, seconds, megabytes / seconds, cpu, 100.0 * cpu / seconds);
    figures[name].push_back({megabytes / seconds, 1000.0 * cpu / megabytes});
    return true;
}

bool Run(IQORDownloader* downloader, const std::string& url, const std::string& saveFolder,
         int portions, Figures& figures, bool report = true) {
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
    const double megabytes = static_cast<double>(length.Lo64) / kMegabyte;
    figures["portions=" + std::to_string(portions)].push_back(
        {megabytes / seconds, 1000.0 * cpu / megabytes});
    if (report)
        printf("portions=%d  size=%.0f MB  time=%.2f s  throughput=%.1f MB/s  cpu=%.2f s (%.0f%% "
               "of one core)  peak working set=%.1f MB  peak private=%.1f MB\n",
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
    {
        const std::string small = work + "\\warm.bin";
        Figures untimed;
        if (!bench::MakeSource(small, kWarmUpSize) ||
            !Run(downloader.Get(), small, save, 1, untimed, false))
            ++failures;
        ::DeleteFileA(small.c_str());
    }
    if (argc < 2) {
        const std::string source = work + "\\source.bin";
        printf("making a 256 MB source file...\n");
        if (!bench::MakeSource(source, kFileSize)) {
            fprintf(stderr, "qor_bench: cannot write %s\n", source.c_str());
            return 1;
        }
        printf("local file %s\n", source.c_str());
        Figures figures;
        for (int round = 0; round < kLocalRounds; ++round) {
            for (int portions : {1, 3}) {
                if (!Copy(source, save, portions, figures)) ++failures;
                if (!Run(downloader.Get(), source, save, portions, figures)) ++failures;
            }
        }
        printf("medians of %d rounds:\n", kLocalRounds);
        PrintMedians(figures, "portions=1", "plain copy, 1 thread");
        PrintMedians(figures, "portions=3", "plain copy, 3 threads");
        ::DeleteFileA(source.c_str());
    }
    for (int i = 1; i < argc; ++i) {
        printf("%s\n", argv[i]);
        Figures figures;
        for (int portions : {1, 3})
            if (!Run(downloader.Get(), argv[i], save, portions, figures)) ++failures;
    }
    downloader.Reset();
    bench::RemoveFolder(save);
    ::RemoveDirectoryA(work.c_str());
    return failures == 0 ? 0 : 2;
}
