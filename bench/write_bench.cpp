// The write path alone, without the network: 256 MB in 8192-byte pieces
// written through a Portion into its DataFile's 64 KB views, beside the same
// bytes written with plain WriteFile, and the views' cost split into mapping
// and first touches of the pages; then three threads writing three portions
// of one file, without and with the per-second flush of the resume record.
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
    std::atomic<int> running{kThreads};
    std::vector<std::thread> writers;
    for (int i = 0; i < kThreads; ++i) {
        writers.emplace_back([&, i] {
            const qor::PortionOwner owner = static_cast<qor::PortionOwner>(i + 1);
            qor::PortionTable::PortionPtr portion = portions[static_cast<size_t>(i)];
            if (!table.TakeIfIdle(portion, owner)) ok = false;
            while (ok && portion->Remaining() != 0) {
                const size_t n = portion->Remaining() < kPiece
                                     ? static_cast<size_t>(portion->Remaining())
                                     : kPiece;
                if (!portion->Write(owner, portion->Position(), piece.data(), n)) ok = false;
            }
            --running;
        });
    }
    std::thread recorder([&] {
        while (record && running > 0) {
            ::Sleep(1000);
            table.FlushAndRecord();
            file.Flush();
        }
    });
    for (std::thread& t : writers) t.join();
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

// Maps and unmaps every 64 KB window without touching it: what the views
// cost apart from the pages.
bool MapOnly(const std::string& path) {
    qor::DataFile file;
    if (!file.Open(path, kSize)) return false;
    for (uint64_t at = 0; at < kSize; at += qor::kBlockSize)
        if (!file.MapView(at, qor::kBlockSize)) return false;
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
    Measure("64 KB views mapped, not touched", path, [&] { return MapOnly(path); });
    return 0;
}
