// The write path alone, without the network: 256 MB in 8192-byte pieces
// written through a Portion into its DataFile's 64 KB views, beside the same
// bytes written with plain WriteFile, and the views' cost split into mapping
// and first touches of the pages; then three threads writing three portions
// of one file, without and with the per-second flush of the resume record;
// and mapping alone and page writes alone, each with 1 and 3 threads.
// Prints figures; asserts nothing.
//   write_bench.exe

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "qor/jobs/data_file.h"
#include "qor/jobs/portion_table.h"
#include "win/unique_handle.h"

namespace {

constexpr uint64_t kSize = 256ull * 1024 * 1024;
constexpr size_t kPiece = 8192;

double Now() {
    LARGE_INTEGER frequency, count;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto value = [](const FILETIME& t) {
        return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) / 1e7;
    };
    return value(kernel) + value(user);
}

void Report(const char* label, double seconds, double cpu) {
    const double megabytes = static_cast<double>(kSize) / (1024.0 * 1024.0);
    printf("  %-40s time=%.2f s  throughput=%.1f MB/s  cpu=%.2f s (%.1f ms per MB)\n", label,
           seconds, megabytes / seconds, cpu, 1000.0 * cpu / megabytes);
}

bool ThroughPortion(const std::string& path, const std::vector<char>& piece) {
    qor::DataFile file;
    if (!file.Open(path, kSize)) return false;
    qor::PortionTable table;
    table.Add(0, kSize, 0);
    table.AttachAll(&file);
    constexpr qor::PortionOwner kOwner = 1;
    qor::PortionTable::PortionPtr portion = table.TakeFirstIdle(kOwner);
    if (!portion) return false;
    for (uint64_t done = 0; done < kSize; done += kPiece)
        if (!portion->Write(kOwner, done, piece.data(), kPiece)) return false;
    table.UnmapAll();
    file.Close();
    return true;
}

// Runs `work(i)` on `threads` threads at once.
template <typename Work>
void OnThreads(int threads, Work work) {
    std::vector<std::thread> running;
    for (int i = 0; i < threads; ++i) running.emplace_back(work, i);
    for (std::thread& t : running) t.join();
}

// Three threads, each writing its own portion of one DataFile, as a
// three-portion download does; with `record`, a fourth flushes the views and
// the file every second as the resume record does.
bool ThreePortions(const std::string& path, const std::vector<char>& piece, bool record) {
    constexpr int kThreads = 3;
    qor::DataFile file;
    if (!file.Open(path, kSize)) return false;
    qor::PortionTable table;
    table.Add(0, 0, 0);
    table.TakeFirstIdle(1)->SetLength(kSize);
    table.Release(table.Portions().front(), 1, false);
    table.InitialSplit(kThreads);
    table.AttachAll(&file);
    std::vector<qor::PortionTable::PortionPtr> portions = table.Portions();
    if (portions.size() != kThreads) return false;
    std::atomic<bool> ok{true};
    win::KernelHandle written(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!written) return false;
    std::thread recorder([&] {
        while (record && ::WaitForSingleObject(written.Get(), 1000) == WAIT_TIMEOUT) {
            table.FlushAndRecord();
            file.Flush();
        }
    });
    OnThreads(kThreads, [&](int i) {
        const qor::PortionOwner owner = static_cast<qor::PortionOwner>(i + 1);
        qor::PortionTable::PortionPtr portion = portions[static_cast<size_t>(i)];
        if (!table.TakeIfIdle(portion, owner)) ok = false;
        while (ok && portion->Remaining() != 0) {
            const size_t n = portion->Remaining() < kPiece
                                 ? static_cast<size_t>(portion->Remaining())
                                 : kPiece;
            if (!portion->Write(owner, portion->Position(), piece.data(), n)) ok = false;
        }
    });
    ::SetEvent(written.Get());
    recorder.join();
    table.UnmapAll();
    file.Close();
    return ok;
}

bool WithWriteFile(const std::string& path, const std::vector<char>& piece) {
    win::FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(kSize);
    if (!file || !::SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) ||
        !::SetEndOfFile(file.Get()))
        return false;
    at.QuadPart = 0;
    ::SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN);
    for (uint64_t done = 0; done < kSize; done += kPiece) {
        DWORD written = 0;
        if (!::WriteFile(file.Get(), piece.data(), kPiece, &written, nullptr) || written != kPiece)
            return false;
    }
    return true;
}

// Maps and unmaps every 64 KB window without touching it, thread i taking
// every threads-th window: what the views cost apart from the pages, and
// whether mapping scales with threads.
bool MapOnly(const std::string& path, int threads) {
    qor::DataFile file;
    if (!file.Open(path, kSize)) return false;
    std::atomic<bool> ok{true};
    OnThreads(threads, [&](int i) {
        const uint64_t step = qor::kBlockSize * static_cast<uint64_t>(threads);
        for (uint64_t at = qor::kBlockSize * static_cast<uint64_t>(i); at < kSize; at += step)
            if (!file.MapView(at, qor::kBlockSize)) ok = false;
    });
    file.Close();
    return ok;
}

// The pages alone: one view of the whole file, each thread writing its
// share, with no view mapped or unmapped meanwhile.
bool OneView(const std::string& path, const std::vector<char>& piece, int threads) {
    qor::DataFile file;
    if (!file.Open(path, kSize)) return false;
    win::MappedView view = file.MapView(0, static_cast<size_t>(kSize));
    if (!view) return false;
    char* base = static_cast<char*>(view.Get());
    const uint64_t share = kSize / static_cast<uint64_t>(threads) / kPiece * kPiece;
    OnThreads(threads, [&](int i) {
        const uint64_t from = share * static_cast<uint64_t>(i);
        for (uint64_t at = from; at < from + share; at += kPiece)
            memcpy(base + at, piece.data(), kPiece);
    });
    view.Reset();
    file.Close();
    return true;
}

template <typename Run>
void Measure(const char* label, const std::string& path, Run run) {
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(path.c_str());
    const double cpu = CpuSeconds();
    const double start = Now();
    const bool ok = run();
    const double seconds = Now() - start;
    if (ok) Report(label, seconds, CpuSeconds() - cpu);
    else printf("  %-40s FAILED\n", label);
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(path.c_str());
}

}  // namespace

int main() {
    char temp[MAX_PATH + 1] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string path =
        std::string(temp) + "write_bench_" + std::to_string(::GetCurrentProcessId()) + ".bin";
    std::vector<char> piece(kPiece);
    for (size_t i = 0; i < piece.size(); ++i) piece[i] = static_cast<char>(i * 31 + 7);
    printf("256 MB in 8192-byte pieces:\n");
    Measure("WriteFile", path, [&] { return WithWriteFile(path, piece); });
    Measure("Portion::Write, 64 KB views", path, [&] { return ThroughPortion(path, piece); });
    Measure("3 portions, 3 threads", path, [&] { return ThreePortions(path, piece, false); });
    Measure("3 portions, 3 threads, record every 1 s", path,
            [&] { return ThreePortions(path, piece, true); });
    Measure("64 KB views mapped, not touched", path, [&] { return MapOnly(path, 1); });
    Measure("the same, 3 threads", path, [&] { return MapOnly(path, 3); });
    Measure("one view of the whole file", path, [&] { return OneView(path, piece, 1); });
    Measure("the same, 3 threads", path, [&] { return OneView(path, piece, 3); });
    return 0;
}
