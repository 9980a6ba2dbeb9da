// Throughput, CPU time and peak memory of downloads through QORDownloader:
//   qor_bench.exe [URL ...]
// Without arguments it makes a 256 MB local file and downloads it with 1
// and with 3 portions; each URL given (for instance a file served by nginx
// on loopback, see network-bench) is downloaded the same way.
// QOR.dll beside this program is registered first.

#include <windows.h>
#include <ocidl.h>
#include <oleauto.h>
#include <psapi.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "qor/qor.h"
#include "win/com.h"
#include "win/text.h"
#include "win/unique_handle.h"

namespace {

constexpr uint64_t kFileSize = 256ull * 1024 * 1024;
constexpr DWORD kChunk = 1 << 20;
constexpr DISPID kCompleted = 2;
constexpr DISPID kCanceled = 4;
constexpr DISPID kError = 6;
constexpr DWORD kRunTimeoutMs = 15 * 60 * 1000;

std::string ProgramFolder() {
    char path[MAX_PATH + 1] = {};
    DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of("\\/"));
}

bool RegisterServer() {
    HMODULE module = ::LoadLibraryA((ProgramFolder() + "\\QOR.dll").c_str());
    if (!module) return false;
    using Entry = HRESULT(STDAPICALLTYPE*)();
    auto reg = reinterpret_cast<Entry>(
        reinterpret_cast<void*>(::GetProcAddress(module, "DllRegisterServer")));
    return reg && SUCCEEDED(reg());
}

bool MakeSource(const std::string& path) {
    win::FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::vector<char> chunk(kChunk);
    uint32_t x = 2463534242u;
    for (uint64_t written = 0; written < kFileSize; written += kChunk) {
        for (char& c : chunk) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            c = static_cast<char>(x);
        }
        DWORD n = 0;
        if (!::WriteFile(file.Get(), chunk.data(), kChunk, &n, nullptr) || n != kChunk)
            return false;
    }
    return true;
}

class EndSink : public IDispatch {
public:
    virtual ~EndSink() = default;
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (riid != IID_IUnknown && riid != IID_IDispatch && riid != DIID__IQORDownloadJobEvents)
            return E_NOINTERFACE;
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        if (id == kCompleted) ended = 0;
        if (id == kCanceled) ended = 3;
        if (id == kError) {
            ended = 2;
            if (params && params->cArgs == 2) code = params->rgvarg[0].lVal;
        }
        return S_OK;
    }
    int ended = -1;
    LONG code = 0;

private:
    std::atomic<ULONG> refs_{1};
};

uint64_t CpuTime100ns() {
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto value = [](const FILETIME& t) {
        return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return value(kernel) + value(user);
}

void RemoveFolder(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = folder + "\\" + name;
            ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileA(path.c_str());
        } while (::FindNextFileA(find, &data));
        ::FindClose(find);
    }
    ::RemoveDirectoryA(folder.c_str());
}

bool Run(IQORDownloader* downloader, const std::string& url, const std::string& saveFolder,
         int portions) {
    RemoveFolder(saveFolder);
    win::ComPtr<IQORDownloadJob> job;
    if (FAILED(downloader->CreateDownloadJob(job.GetAddressOf()))) return false;
    job->put_DownloadURL(win::ToBstr(url).Get());
    job->put_SavePath(win::ToBstr(saveFolder).Get());
    job->put_FileName(win::ToBstr("bench.bin").Get());
    job->put_MaxThreadCount(portions);
    job->put_ResumeBreakpoint(VARIANT_TRUE);

    auto sink = win::TakeOwnership(new EndSink());
    win::ComPtr<IConnectionPointContainer> container;
    win::ComPtr<IConnectionPoint> point;
    DWORD cookie = 0;
    if (FAILED(downloader->QueryInterface(IID_PPV_ARGS(container.GetAddressOf()))) ||
        FAILED(container->FindConnectionPoint(DIID__IQORDownloadJobEvents, point.GetAddressOf())) ||
        FAILED(point->Advise(sink.Get(), &cookie)))
        return false;

    const uint64_t cpuBefore = CpuTime100ns();
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    if (FAILED(downloader->BeginDownloadJob(job.Get()))) return false;
    const DWORD began = ::GetTickCount();
    MSG msg;
    while (sink->ended < 0 && ::GetTickCount() - began < kRunTimeoutMs) {
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (sink->ended < 0) ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    ::QueryPerformanceCounter(&end);
    const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) /
                           static_cast<double>(frequency.QuadPart);
    const double cpu = static_cast<double>(CpuTime100ns() - cpuBefore) / 1e7;
    point->Unadvise(cookie);

    DECIMAL length = {};
    job->get_FileLength(&length);
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof(memory));
    if (sink->ended != 0) {
        printf("%-10s portions=%d  FAILED (event %d, code %ld)\n", url.substr(0, 10).c_str(),
               portions, sink->ended, sink->code);
        RemoveFolder(saveFolder);
        return false;
    }
    const double megabytes = static_cast<double>(length.Lo64) / (1024.0 * 1024.0);
    printf("portions=%d  size=%.0f MB  time=%.2f s  throughput=%.1f MB/s  cpu=%.2f s (%.0f%% of "
           "one core)  peak working set=%.1f MB  peak private=%.1f MB\n",
           portions, megabytes, seconds, megabytes / seconds, cpu, 100.0 * cpu / seconds,
           static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0),
           static_cast<double>(memory.PeakPagefileUsage) / (1024.0 * 1024.0));
    RemoveFolder(saveFolder);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    win::ComInit com;
    if (FAILED(com.Result()) || !RegisterServer()) {
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
        if (!MakeSource(source)) {
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
    RemoveFolder(save);
    ::RemoveDirectoryA(work.c_str());
    return failures == 0 ? 0 : 2;
}
