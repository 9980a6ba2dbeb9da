#include "bench/qor_bench_support.h"

#include <oleauto.h>

#include <vector>

#include "win/unique_handle.h"

namespace bench {

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

bool MakeSource(const std::string& path, uint64_t size, uint32_t seed) {
    constexpr DWORD kChunk = 1 << 20;
    win::FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::vector<char> chunk(kChunk);
    uint32_t x = seed;
    for (uint64_t written = 0; written < size;) {
        for (char& c : chunk) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            c = static_cast<char>(x);
        }
        const DWORD want = size - written < kChunk ? static_cast<DWORD>(size - written) : kChunk;
        DWORD n = 0;
        if (!::WriteFile(file.Get(), chunk.data(), want, &n, nullptr) || n != want) return false;
        written += want;
    }
    return true;
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

double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto value = [](const FILETIME& t) {
        return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(value(kernel) + value(user)) / 1e7;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

uint64_t DownloadedBytes(IQORDownloadJob* job) {
    win::ComPtr<IQORDownloadProgress> progress;
    DECIMAL value = {};
    if (SUCCEEDED(job->get_DownloadProgress(progress.GetAddressOf())))
        progress->get_DownloadedBytes(&value);
    return value.Lo64;
}

STDMETHODIMP JobSink::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDispatch && riid != DIID__IQORDownloadJobEvents)
        return E_NOINTERFACE;
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) JobSink::Release() {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
}

STDMETHODIMP JobSink::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP JobSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                             EXCEPINFO*, UINT*) {
    if (id == kJobCompleted) ended = JobEnd::kCompleted;
    if (id == kJobCanceled) ended = JobEnd::kCanceled;
    if (id == kJobError) {
        ended = JobEnd::kFailed;
        // Arguments arrive last first: the code, then the job id.
        if (params && params->cArgs == 2) errorCode = params->rgvarg[0].lVal;
    }
    if (onEvent) onEvent(id);
    return S_OK;
}

SinkConnection::SinkConnection(IQORDownloader* downloader, JobSink* sink) {
    win::ComPtr<IConnectionPointContainer> container;
    if (FAILED(downloader->QueryInterface(IID_PPV_ARGS(container.GetAddressOf()))) ||
        FAILED(container->FindConnectionPoint(DIID__IQORDownloadJobEvents,
                                              point_.GetAddressOf())) ||
        FAILED(point_->Advise(sink, &cookie_)))
        cookie_ = 0;
}

SinkConnection::~SinkConnection() {
    if (cookie_ != 0) point_->Unadvise(cookie_);
}

bool PumpUntilEnded(const JobSink& sink, DWORD timeoutMs) {
    const DWORD began = ::GetTickCount();
    MSG msg;
    while (sink.ended == JobEnd::kRunning) {
        if (::GetTickCount() - began >= timeoutMs) return false;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (sink.ended == JobEnd::kRunning)
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    return true;
}

}  // namespace bench
