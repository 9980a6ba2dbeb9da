// The write path alone, without the network: 256 MB written through a
// Portion into its DataFile, in 8192-byte pieces and in pieces of the size a
// transfer thread reads, beside the same bytes written with plain sequential
// WriteFile and with positioned WriteFile calls of both sizes; then three
// threads writing three portions of one file, without and with the flush
// of the resume record; and, for comparison, the same bytes
// copied into 64 KB mapped views (one thread, then three), as the write path
// once did. Prints figures; asserts nothing.
//   write_bench.exe

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "qor/jobs/data_file.h"
#include "qor/jobs/job_task.h"
#include "qor/jobs/portion_table.h"
#include "win/unique_handle.h"

namespace {

constexpr uint64_t kSize = 256ull * 1024 * 1024;
constexpr size_t kSmallPiece = 8192;
constexpr size_t kReadPiece = qor::JobTask::kReadSize;
constexpr DWORD kRecordMs = 50;

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

void Report(const std::string& label, double seconds, double cpu) {
    const double megabytes = static_cast<double>(kSize) / (1024.0 * 1024.0);
    printf("  %-46s time=%.2f s  throughput=%.1f MB/s  cpu=%.2f s (%.1f ms per MB)\n",
           label.c_str(), seconds, megabytes / seconds, cpu, 1000.0 * cpu / megabytes);
}

std::string Pieces(const char* what, size_t piece) {
    return std::string(what) + ", " + std::to_string(piece / 1024) + " KB pieces";
}

// Runs `work(i)` on `threads` threads at once.
template <typename Work>
void OnThreads(int threads, Work work) {
    std::vector<std::thread> running;
    for (int i = 0; i < threads; ++i) running.emplace_back(work, i);
    for (std::thread& t : running) t.join();
}

win::FileHandle SizedFile(const std::string& path) {
    win::FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(kSize);
    if (!file || !::SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) ||
        !::SetEndOfFile(file.Get()))
        return win::FileHandle();
    at.QuadPart = 0;
    ::SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN);
    return file;
}

// The platform's floor: one handle, the file pointer moving on by itself;
// or, `positioned`, each write naming its offset, as writers of several
// portions must.
bool WithWriteFile(const std::string& path, const std::vector<char>& piece, bool positioned) {
    win::FileHandle file = SizedFile(path);
    if (!file) return false;
    const DWORD size = static_cast<DWORD>(piece.size());
    for (uint64_t done = 0; done < kSize; done += size) {
        OVERLAPPED at = {};
        at.Offset = static_cast<DWORD>(done);
        at.OffsetHigh = static_cast<DWORD>(done >> 32);
        DWORD written = 0;
        if (!::WriteFile(file.Get(), piece.data(), size, &written, positioned ? &at : nullptr) ||
            written != size)
            return false;
    }
    return true;
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
    for (uint64_t done = 0; done < kSize; done += piece.size())
        if (!portion->Write(kOwner, done, piece.data(), piece.size())) return false;
    table.Clear();
    file.Close();
    return true;
}

// Three threads, each writing its own portion of one DataFile, as a
// three-portion download does; with `record`, a fourth flushes the file and
// marks what the flush holds, as the resume record does, but twenty times as
// often (the 256 MB take well under a second): an upper bound of its cost.
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
        while (record && ::WaitForSingleObject(written.Get(), kRecordMs) == WAIT_TIMEOUT) {
            qor::PortionTable::Written written;
            table.Record(qor::PortionTable::Counts::kWritten, &written);
            if (file.Flush()) table.MarkFlushed(written);
        }
    });
    OnThreads(kThreads, [&](int i) {
        const qor::PortionOwner owner = static_cast<qor::PortionOwner>(i + 1);
        qor::PortionTable::PortionPtr portion = portions[static_cast<size_t>(i)];
        if (!table.TakeIfIdle(portion, owner)) ok = false;
        while (ok && portion->Remaining() != 0) {
            const size_t n = portion->Remaining() < piece.size()
                                 ? static_cast<size_t>(portion->Remaining())
                                 : piece.size();
            if (!portion->Write(owner, portion->Position(), piece.data(), n)) ok = false;
        }
    });
    ::SetEvent(written.Get());
    recorder.join();
    table.Clear();
    file.Close();
    return ok;
}

// How the write path once worked: every 64 KB window of the file mapped in
// turn and written with memcpy, thread i taking every threads-th window.
bool MappedViews(const std::string& path, const std::vector<char>& piece, int threads) {
    constexpr uint64_t kWindow = 65536;
    win::FileHandle file = SizedFile(path);
    if (!file) return false;
    win::KernelHandle mapping(::CreateFileMappingA(file.Get(), nullptr, PAGE_READWRITE, 0, 0,
                                                   nullptr));
    if (!mapping) return false;
    std::atomic<bool> ok{true};
    OnThreads(threads, [&](int i) {
        const uint64_t step = kWindow * static_cast<uint64_t>(threads);
        for (uint64_t at = kWindow * static_cast<uint64_t>(i); ok && at < kSize; at += step) {
            win::MappedView view(::MapViewOfFile(mapping.Get(), FILE_MAP_WRITE,
                                                 static_cast<DWORD>(at >> 32),
                                                 static_cast<DWORD>(at), kWindow));
            if (!view) {
                ok = false;
                break;
            }
            for (uint64_t in = 0; in < kWindow; in += piece.size())
                memcpy(static_cast<char*>(view.Get()) + in, piece.data(), piece.size());
        }
    });
    return ok;
}

template <typename Run>
void Measure(const std::string& label, const std::string& path, Run run, bool report = true) {
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(path.c_str());
    const double cpu = CpuSeconds();
    const double start = Now();
    const bool ok = run();
    const double seconds = Now() - start;
    if (report && ok) Report(label, seconds, CpuSeconds() - cpu);
    if (report && !ok) printf("  %-46s FAILED\n", label.c_str());
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(path.c_str());
}

std::vector<char> Piece(size_t size) {
    std::vector<char> piece(size);
    for (size_t i = 0; i < piece.size(); ++i) piece[i] = static_cast<char>(i * 31 + 7);
    return piece;
}

}  // namespace

int main() {
    char temp[MAX_PATH + 1] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string path =
        std::string(temp) + "write_bench_" + std::to_string(::GetCurrentProcessId()) + ".bin";
    const std::vector<char> small = Piece(kSmallPiece);
    const std::vector<char> read = Piece(kReadPiece);
    // The first passes over a new file run several times slower whatever
    // writes them (the system's file cache warming up), so two go untimed.
    for (int i = 0; i < 2; ++i) Measure("", path, [&] { return WithWriteFile(path, small, true); }, false);
    printf("256 MB:\n");
    for (const std::vector<char>* piece : {&small, &read}) {
        Measure(Pieces("WriteFile, sequential", piece->size()), path,
                [&] { return WithWriteFile(path, *piece, false); });
        Measure(Pieces("WriteFile, positioned", piece->size()), path,
                [&] { return WithWriteFile(path, *piece, true); });
        Measure(Pieces("Portion::Write", piece->size()), path,
                [&] { return ThroughPortion(path, *piece); });
        if (kReadPiece == kSmallPiece) break;
    }
    Measure(Pieces("3 portions, 3 threads", read.size()), path,
            [&] { return ThreePortions(path, read, false); });
    Measure(Pieces("the same, record every 0.05 s", read.size()), path,
            [&] { return ThreePortions(path, read, true); });
    Measure(Pieces("64 KB mapped views, 1 thread", small.size()), path,
            [&] { return MappedViews(path, small, 1); });
    Measure(Pieces("64 KB mapped views, 3 threads", small.size()), path,
            [&] { return MappedViews(path, small, 3); });
    return 0;
}
