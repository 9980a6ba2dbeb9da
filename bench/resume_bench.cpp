// What resuming costs: a download through QORDownloader stopped at about
// half and begun again, and one whose process is killed at about half and
// begun again. For each: the time from the second begin to completion, and
// the bytes fetched again although the first run had already written them
// (what it held on disk beyond what its record claimed). The file is
// checked byte for byte after each; nothing else is asserted.
//   resume_bench.exe                  a 256 MB local file
//   resume_bench.exe URL COPY         a served file, with a local copy of it
// Internally: resume_bench.exe --child SOURCE SAVE PORTIONS BANDWIDTH
// downloads until it is killed.

#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/qor_bench_support.h"
#include "netclient/file_checksum.h"
#include "netclient/text_util.h"
#include "qor/jobs/control_file.h"
#include "win/text.h"
#include "win/unique_handle.h"

namespace {

constexpr uint64_t kFileSize = 256ull * 1024 * 1024;
constexpr int kPortions = 3;
constexpr DWORD kRunTimeoutMs = 10 * 60 * 1000;
constexpr DWORD kRecordPollMs = 50;
// The kill comes this long after the record first shows half: half the
// record interval, the average distance of a random moment from the last
// record.
constexpr DWORD kKillDelayMs = 500;
// The run that is killed fetches an eighth of the file a second: an
// unlimited one may end before its first record, which comes after a second.
constexpr uint64_t kKilledRunSeconds = 8;
constexpr char kTargetName[] = "resume.bin";
constexpr double kMegabyte = 1024.0 * 1024.0;

struct Paths {
    std::string source;  // what the job downloads: a path or a URL
    std::string copy;    // the same bytes, locally
    std::string save;
    std::string Record() const { return save + "\\" + Key() + ".qoc"; }
    std::string Data() const { return save + "\\" + Key() + ".qor"; }
    std::string Target() const { return save + "\\" + kTargetName; }
    std::string Key() const { return netclient::FileChecksum::OfText(netclient::ToLower(source)); }
};

win::ComPtr<IQORDownloader> MakeDownloader() {
    win::ComPtr<IQORDownloader> downloader;
    if (FAILED(::CoCreateInstance(CLSID_QORDownloader, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(downloader.GetAddressOf()))) ||
        FAILED(downloader->Initialize(win::ToBstr("C:\\").Get())))
        return nullptr;
    return downloader;
}

win::ComPtr<IQORDownloadJob> MakeJob(IQORDownloader* downloader, const Paths& paths,
                                     int portions) {
    win::ComPtr<IQORDownloadJob> job;
    if (FAILED(downloader->CreateDownloadJob(job.GetAddressOf()))) return nullptr;
    job->put_DownloadURL(win::ToBstr(paths.source).Get());
    job->put_SavePath(win::ToBstr(paths.save).Get());
    job->put_FileName(win::ToBstr(kTargetName).Get());
    job->put_MaxThreadCount(portions);
    job->put_ResumeBreakpoint(VARIANT_TRUE);
    return job;
}

class Reader {
public:
    explicit Reader(const std::string& path)
        : file_(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr)) {}
    bool Read(uint64_t offset, char* buffer, DWORD size, DWORD& got) {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        got = 0;
        return file_ && ::SetFilePointerEx(file_.Get(), at, nullptr, FILE_BEGIN) &&
               ::ReadFile(file_.Get(), buffer, size, &got, nullptr);
    }
    explicit operator bool() const { return static_cast<bool>(file_); }

private:
    win::FileHandle file_;
};

// How many bytes from `offset` on, at most `length`, two files hold alike.
uint64_t CommonPrefix(Reader& a, Reader& b, uint64_t offset, uint64_t length) {
    constexpr DWORD kChunk = 1 << 20;
    std::vector<char> x(kChunk), y(kChunk);
    uint64_t same = 0;
    while (same < length) {
        const DWORD want = length - same < kChunk ? static_cast<DWORD>(length - same) : kChunk;
        DWORD gotX = 0, gotY = 0;
        if (!a.Read(offset + same, x.data(), want, gotX) ||
            !b.Read(offset + same, y.data(), want, gotY))
            break;
        const DWORD n = gotX < gotY ? gotX : gotY;
        DWORD i = 0;
        while (i < n && x[i] == y[i]) ++i;
        same += i;
        if (i < want) break;
    }
    return same;
}

bool SameFiles(const std::string& a, const std::string& b, uint64_t size) {
    Reader x(a), y(b);
    return x && y && CommonPrefix(x, y, 0, size + 1) == size;
}

// What the first run left that a resume could use: per recorded portion,
// the bytes from its start that are already right on disk, whether the
// record claims them or not.
struct Leftovers {
    uint64_t held = 0;     // right bytes on disk
    uint64_t claimed = 0;  // what the record says is done
    bool record = false;
};

Leftovers Inspect(const Paths& paths) {
    Leftovers left;
    std::string bytes;
    qor::ControlRecord record;
    if (!qor::ControlFile::Read(paths.Record(), bytes) || !qor::ControlFile::Parse(bytes, record))
        return left;
    left.record = true;
    left.claimed = record.doneSum;
    Reader data(paths.Data()), copy(paths.copy);
    if (!data || !copy) return left;
    for (const qor::PortionRecord& p : record.portions)
        left.held += CommonPrefix(data, copy, p.start, p.length);
    return left;
}

// Whether a count that grows by `step` between looks is nearer half the
// size now than it would be at the next look.
bool NearHalf(uint64_t count, uint64_t step, uint64_t size) {
    return count + step / 2 >= size / 2;
}

// The second run: a new job for the same source and folder, begun and
// timed to completion.
struct Resumed {
    bool completed = false;
    double seconds = 0;
    double cpu = 0;
    uint64_t from = 0;  // where the run stood when data began to flow
    uint64_t total = 0;
};

Resumed ResumeAndTime(IQORDownloader* downloader, const Paths& paths) {
    Resumed r;
    win::ComPtr<IQORDownloadJob> job = MakeJob(downloader, paths, kPortions);
    if (!job) return r;
    auto sink = win::TakeOwnership(new bench::JobSink());
    bool sawData = false;
    sink->onEvent = [&](DISPID id) {
        if (id == bench::kJobReadData && !sawData) {
            sawData = true;
            r.from = bench::DownloadedBytes(job.Get());
        }
    };
    bench::SinkConnection connection(downloader, sink.Get());
    if (!connection.Connected()) return r;
    const double cpuBefore = bench::CpuSeconds();
    LARGE_INTEGER start, end;
    ::QueryPerformanceCounter(&start);
    if (FAILED(downloader->BeginDownloadJob(job.Get()))) return r;
    const bool ended = bench::PumpUntilEnded(*sink.Get(), kRunTimeoutMs);
    ::QueryPerformanceCounter(&end);
    r.seconds = bench::Seconds(start, end);
    r.cpu = bench::CpuSeconds() - cpuBefore;
    DECIMAL length = {};
    job->get_FileLength(&length);
    r.total = length.Lo64;
    r.completed = ended && sink->ended == bench::JobEnd::kCompleted;
    if (!ended) {
        LONG id = 0;
        job->get_ID(&id);
        downloader->StopDownloadJob(id);
    }
    return r;
}

// A fresh download of the whole file, the yardstick for the resumed ones.
bool Fresh(IQORDownloader* downloader, const Paths& paths, uint64_t size) {
    bench::RemoveFolder(paths.save);
    const Resumed r = ResumeAndTime(downloader, paths);
    const bool right = r.completed && SameFiles(paths.Target(), paths.copy, size);
    if (!right) {
        printf("whole file, no resume: FAILED%s\n", r.completed ? " (bytes differ)" : "");
        return false;
    }
    printf("whole file, no resume: %.2f s (%.1f MB/s, cpu %.2f s)\n", r.seconds,
           static_cast<double>(size) / kMegabyte / r.seconds, r.cpu);
    return true;
}

bool Report(const char* label, const Leftovers& left, const Resumed& r, const Paths& paths,
            uint64_t size) {
    if (!r.completed || r.total != size) {
        printf("%s: FAILED (the resumed run did not complete)\n", label);
        return false;
    }
    if (!SameFiles(paths.Target(), paths.copy, size)) {
        printf("%s: FAILED (the file differs from its source)\n", label);
        return false;
    }
    const uint64_t again = left.held > r.from ? left.held - r.from : 0;
    const double rest = static_cast<double>(size - r.from) / kMegabyte;
    printf("%s: at %.0f%%, %.2f s to complete (%.1f MB left, %.1f MB/s, cpu %.2f s); "
           "%.2f MB fetched again (held %.1f MB, record %.1f MB, resumed from %.1f MB)\n",
           label, 100.0 * static_cast<double>(left.held) / static_cast<double>(size), r.seconds,
           rest, rest / r.seconds, r.cpu, static_cast<double>(again) / kMegabyte,
           static_cast<double>(left.held) / kMegabyte,
           static_cast<double>(left.claimed) / kMegabyte, static_cast<double>(r.from) / kMegabyte);
    return true;
}

bool StopAndResume(IQORDownloader* downloader, const Paths& paths, uint64_t size) {
    const char* label = "stopped at half, begun again";
    bench::RemoveFolder(paths.save);
    win::ComPtr<IQORDownloadJob> job = MakeJob(downloader, paths, kPortions);
    if (!job) return false;
    LONG id = 0;
    job->get_ID(&id);
    auto sink = win::TakeOwnership(new bench::JobSink());
    bool stopping = false;
    uint64_t last = 0;
    sink->onEvent = [&](DISPID event) {
        if (event != bench::kJobInProgress || stopping) return;
        const uint64_t now = bench::DownloadedBytes(job.Get());
        if (NearHalf(now, now - last, size)) {
            stopping = true;
            downloader->StopDownloadJob(id);
        }
        last = now;
    };
    {
        bench::SinkConnection connection(downloader, sink.Get());
        if (!connection.Connected() || FAILED(downloader->BeginDownloadJob(job.Get()))) return false;
        if (!bench::PumpUntilEnded(*sink.Get(), kRunTimeoutMs) ||
            sink->ended != bench::JobEnd::kCanceled) {
            printf("%s: FAILED (the first run was not stopped)\n", label);
            return false;
        }
    }
    const Leftovers left = Inspect(paths);
    return Report(label, left, ResumeAndTime(downloader, paths), paths, size);
}

bool KillAndResume(IQORDownloader* downloader, const Paths& paths, uint64_t size) {
    const char* label = "killed at half, begun again";
    bench::RemoveFolder(paths.save);
    std::string command = "\"" + bench::ProgramFolder() + "\\resume_bench.exe\" --child \"" +
                          paths.source + "\" \"" + paths.save + "\" " + std::to_string(kPortions) +
                          " " + std::to_string(size / kKilledRunSeconds);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info)) {
        printf("%s: FAILED (no child process)\n", label);
        return false;
    }
    win::KernelHandle process(info.hProcess);
    win::KernelHandle thread(info.hThread);
    // The record is the only sign of progress that outlives the process.
    bool half = false;
    uint64_t last = 0;
    const DWORD began = ::GetTickCount();
    while (!half && ::GetTickCount() - began < kRunTimeoutMs) {
        if (::WaitForSingleObject(process.Get(), kRecordPollMs) == WAIT_OBJECT_0) break;
        std::string bytes;
        qor::ControlRecord record;
        if (!qor::ControlFile::Read(paths.Record(), bytes) ||
            !qor::ControlFile::Parse(bytes, record) || record.doneSum == last)
            continue;
        // The kill comes half a record interval later, so aim half a
        // record's growth before half.
        half = NearHalf(record.doneSum + (record.doneSum - last) / 2, record.doneSum - last, size);
        last = record.doneSum;
    }
    if (!half) {
        ::TerminateProcess(process.Get(), 9);
        printf("%s: FAILED (the first run did not reach half)\n", label);
        return false;
    }
    ::Sleep(kKillDelayMs);
    ::TerminateProcess(process.Get(), 9);
    ::WaitForSingleObject(process.Get(), INFINITE);
    const Leftovers left = Inspect(paths);
    if (!left.record) {
        printf("%s: FAILED (no resume record after the kill)\n", label);
        return false;
    }
    return Report(label, left, ResumeAndTime(downloader, paths), paths, size);
}

int Child(const std::string& source, const std::string& save, int portions, long bandwidth) {
    win::ComPtr<IQORDownloader> downloader = MakeDownloader();
    if (!downloader) return 1;
    Paths paths;
    paths.source = source;
    paths.save = save;
    win::ComPtr<IQORDownloadJob> job = MakeJob(downloader.Get(), paths, portions);
    if (job) job->put_Bandwidth(bandwidth);
    auto sink = win::TakeOwnership(new bench::JobSink());
    bench::SinkConnection connection(downloader.Get(), sink.Get());
    if (!job || !connection.Connected() || FAILED(downloader->BeginDownloadJob(job.Get())))
        return 1;
    bench::PumpUntilEnded(*sink.Get(), kRunTimeoutMs);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    win::ComInit com;
    if (FAILED(com.Result()) || !bench::RegisterServer()) {
        fprintf(stderr, "resume_bench: QOR.dll could not be registered\n");
        return 1;
    }
    if (argc == 6 && std::string(argv[1]) == "--child")
        return Child(argv[2], argv[3], atoi(argv[4]), atol(argv[5]));
    if (argc != 1 && argc != 3) {
        fprintf(stderr, "usage: resume_bench.exe [URL COPY]\n");
        return 1;
    }
    win::ComPtr<IQORDownloader> downloader = MakeDownloader();
    if (!downloader) {
        fprintf(stderr, "resume_bench: no QORDownloader\n");
        return 1;
    }
    char temp[MAX_PATH + 1] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string work =
        std::string(temp) + "resume_bench_" + std::to_string(::GetCurrentProcessId());
    ::CreateDirectoryA(work.c_str(), nullptr);
    Paths paths;
    paths.save = work + "\\save";
    uint64_t size = kFileSize;
    if (argc == 3) {
        paths.source = argv[1];
        paths.copy = argv[2];
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!::GetFileAttributesExA(paths.copy.c_str(), GetFileExInfoStandard, &data)) {
            fprintf(stderr, "resume_bench: no file %s\n", paths.copy.c_str());
            return 1;
        }
        size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    } else {
        paths.source = paths.copy = work + "\\source.bin";
        if (!bench::MakeSource(paths.source, size)) {
            fprintf(stderr, "resume_bench: cannot write %s\n", paths.source.c_str());
            return 1;
        }
    }
    printf("source: %s, %.0f MB, %d portions\n", argc == 3 ? "served file" : "local file",
           static_cast<double>(size) / kMegabyte, kPortions);
    int failures = 0;
    if (!Fresh(downloader.Get(), paths, size)) ++failures;
    if (!StopAndResume(downloader.Get(), paths, size)) ++failures;
    if (!KillAndResume(downloader.Get(), paths, size)) ++failures;
    downloader.Reset();
    bench::RemoveFolder(paths.save);
    if (argc == 1) ::DeleteFileA(paths.source.c_str());
    ::RemoveDirectoryA(work.c_str());
    return failures == 0 ? 0 : 2;
}
