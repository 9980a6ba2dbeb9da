#include "tests/qor/qor_test_support.h"

#include <wincrypt.h>

#include <algorithm>
#include <cctype>

#include "netclient/file_checksum.h"
#include "win/text.h"

namespace qor_test {

using testing_support::BinaryFolder;

STDMETHODIMP EventSink::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == DIID__IQORDownloadJobEvents) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) EventSink::Release() {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
}

STDMETHODIMP EventSink::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP EventSink::Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                               VARIANT*, EXCEPINFO*, UINT*) {
    Event e;
    e.id = id;
    e.tick = ::GetTickCount();
    const UINT expected = id == kError ? 2 : 1;
    if (riid != IID_NULL || lcid != 0x400 || flags != DISPATCH_METHOD || !params ||
        params->cArgs != expected || params->cNamedArgs != 0) {
        ++malformedCalls;
        return S_OK;
    }
    for (UINT i = 0; i < params->cArgs; ++i)
        if (params->rgvarg[i].vt != VT_I4) ++malformedCalls;
    // Arguments arrive last first.
    e.job = params->rgvarg[params->cArgs - 1].lVal;
    if (id == kError) e.code = params->rgvarg[0].lVal;
    events.push_back(e);
    if (hook) hook(e);
    return S_OK;
}

std::vector<Event> EventSink::For(LONG job) const {
    std::vector<Event> out;
    for (const Event& e : events)
        if (e.job == job) out.push_back(e);
    return out;
}

std::vector<DISPID> EventSink::IdsFor(LONG job) const {
    std::vector<DISPID> out;
    for (const Event& e : events)
        if (e.job == job && e.id != kInProgress) out.push_back(e.id);
    return out;
}

size_t EventSink::Count(LONG job, DISPID id) const {
    size_t n = 0;
    for (const Event& e : events)
        if (e.job == job && e.id == id) ++n;
    return n;
}

std::string RegisteredServer::DllPath() { return BinaryFolder() + "\\QOR.dll"; }

namespace {

using ServerEntry = HRESULT(STDAPICALLTYPE*)();

ServerEntry EntryOf(HMODULE module, const char* name) {
    FARPROC proc = module ? ::GetProcAddress(module, name) : nullptr;
    return reinterpret_cast<ServerEntry>(reinterpret_cast<void*>(proc));
}

// Removes the registration when the test program ends, so that the prefix
// is left as it was found.
class Registration {
public:
    bool Register() {
        module_ = ::LoadLibraryA(RegisteredServer::DllPath().c_str());
        ServerEntry reg = EntryOf(module_, "DllRegisterServer");
        registered_ = reg && SUCCEEDED(reg());
        return registered_;
    }
    ~Registration() {
        ServerEntry unreg = EntryOf(module_, "DllUnregisterServer");
        if (registered_ && unreg) unreg();
    }

private:
    HMODULE module_ = nullptr;  // stays loaded until the process ends
    bool registered_ = false;
};

}  // namespace

bool RegisteredServer::Ensure() {
    static Registration registration;
    static const bool registered = registration.Register();
    return registered;
}

Downloader::Downloader() {
    if (!RegisteredServer::Ensure()) return;
    if (FAILED(::CoCreateInstance(CLSID_QORDownloader, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(object.GetAddressOf()))))
        return;
    win::Bstr work(L"C:\\");
    object->Initialize(work.Get());
    sink = win::TakeOwnership(new EventSink());
    win::ComPtr<IConnectionPointContainer> container;
    win::ComPtr<IConnectionPoint> point;
    if (FAILED(object.As(&container)) ||
        FAILED(container->FindConnectionPoint(DIID__IQORDownloadJobEvents, point.GetAddressOf())) ||
        FAILED(point->Advise(sink.Get(), &cookie)))
        object.Reset();
}

Downloader::~Downloader() { Destroy(); }

void Downloader::Destroy() {
    if (!object) return;
    win::ComPtr<IConnectionPointContainer> container;
    win::ComPtr<IConnectionPoint> point;
    if (cookie && SUCCEEDED(object.As(&container)) &&
        SUCCEEDED(container->FindConnectionPoint(DIID__IQORDownloadJobEvents, point.GetAddressOf())))
        point->Unadvise(cookie);
    cookie = 0;
    object.Reset();
}

win::ComPtr<IQORDownloadJob> Downloader::NewJob(const std::string& url,
                                                const std::string& savePath,
                                                const std::string& fileName) {
    win::ComPtr<IQORDownloadJob> job;
    if (FAILED(object->CreateDownloadJob(job.GetAddressOf()))) return job;
    job->put_DownloadURL(win::ToBstr(url).Get());
    job->put_SavePath(win::ToBstr(savePath).Get());
    if (!fileName.empty()) job->put_FileName(win::ToBstr(fileName).Get());
    return job;
}

LONG IdOf(IQORDownloadJob* job) {
    LONG id = 0;
    job->get_ID(&id);
    return id;
}

DownloadJobStatus StatusOf(IQORDownloadJob* job) {
    DownloadJobStatus status = qorjsReady;
    job->get_StatusCode(&status);
    return status;
}

bool IsReadOnly(IQORDownloadJob* job) {
    VARIANT_BOOL value = VARIANT_FALSE;
    job->get_ReadOnly(&value);
    return value != VARIANT_FALSE;
}

namespace {

win::ComPtr<IQORDownloadProgress> ProgressOf(IQORDownloadJob* job) {
    win::ComPtr<IQORDownloadProgress> progress;
    job->get_DownloadProgress(progress.GetAddressOf());
    return progress;
}

}  // namespace

uint64_t Downloaded(IQORDownloadJob* job) {
    DECIMAL value = {};
    ProgressOf(job)->get_DownloadedBytes(&value);
    return value.Lo64;
}

uint64_t Total(IQORDownloadJob* job) {
    DECIMAL value = {};
    ProgressOf(job)->get_TotalBytes(&value);
    return value.Lo64;
}

short RetriedTimes(IQORDownloadJob* job) {
    short value = -1;
    ProgressOf(job)->get_RetriedTimes(&value);
    return value;
}

LONG AverageRate(IQORDownloadJob* job) {
    LONG value = -1;
    ProgressOf(job)->get_AverageRate(&value);
    return value;
}

std::string Text(BSTR text) { return win::FromBstr(text); }

std::string GetString(IQORDownloadJob* job,
                      HRESULT (STDMETHODCALLTYPE IQORDownloadJob::*get)(BSTR*)) {
    win::Bstr value;
    (job->*get)(value.Put());
    return win::FromBstr(value.Get());
}

bool WaitForEvent(Downloader& d, LONG job, DISPID id, DWORD timeoutMs, size_t count) {
    return testing_support::PumpUntil([&] { return d.sink->Count(job, id) >= count; }, timeoutMs);
}

bool WaitForEnd(Downloader& d, LONG job, DWORD timeoutMs) {
    return testing_support::PumpUntil(
        [&] {
            return d.sink->Has(job, kCompleted) || d.sink->Has(job, kError) ||
                   d.sink->Has(job, kCanceled);
        },
        timeoutMs);
}

std::string PatternBytes(size_t size, uint32_t seed) {
    std::string bytes(size, '\0');
    uint32_t x = seed * 2654435761u + 12345u;
    for (size_t i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        bytes[i] = static_cast<char>(x & 0xFF);
    }
    return bytes;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = data.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

std::string UrlKey(const std::string& url) {
    std::string lower = url;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(tolower(c)); });
    return netclient::FileChecksum::OfText(lower);
}

std::string ControlPath(const std::string& folder, const std::string& url) {
    return folder + "\\" + UrlKey(url) + ".qoc";
}

std::string DataPath(const std::string& folder, const std::string& url) {
    return folder + "\\" + UrlKey(url) + ".qor";
}

namespace {

uint64_t Le64(const std::string& b, size_t at) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

}  // namespace

bool ReadRecord(const std::string& path, uint64_t& total, uint64_t& doneSum,
                std::vector<RecordPortion>& portions) {
    std::string b = testing_support::ReadFileBytes(path);
    portions.clear();
    if (b.size() < 72) return false;
    total = Le64(b, 16);
    doneSum = Le64(b, 24);
    const uint32_t n = static_cast<uint32_t>(Le64(b, 48) & 0xFFFFFFFF);
    if (b.size() != 72 + 24ull * n) return false;
    for (uint32_t i = 0; i < n; ++i)
        portions.push_back({Le64(b, 72 + 24 * i), Le64(b, 80 + 24 * i), Le64(b, 88 + 24 * i)});
    return true;
}

FILETIME FileTimeOf(const std::string& path) {
    FILETIME time = {0, 0};
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        time = data.ftLastWriteTime;
    return time;
}

bool SetFileTimeOf(const std::string& path, const FILETIME& time) {
    HANDLE file = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BOOL ok = ::SetFileTime(file, nullptr, nullptr, &time);
    ::CloseHandle(file);
    return ok != FALSE;
}

std::string CryptoMd5(const std::string& path) {
    std::string data = testing_support::ReadFileBytes(path);
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    std::string out;
    if (!::CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        return out;
    BYTE digest[16];
    DWORD size = sizeof(digest);
    if (::CryptCreateHash(provider, CALG_MD5, 0, 0, &hash) &&
        ::CryptHashData(hash, reinterpret_cast<const BYTE*>(data.data()),
                        static_cast<DWORD>(data.size()), 0) &&
        ::CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0)) {
        static const char kHex[] = "0123456789ABCDEF";
        for (BYTE b : digest) {
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    if (hash) ::CryptDestroyHash(hash);
    ::CryptReleaseContext(provider, 0);
    return out;
}

void QorTest::SetUp() {
    ASSERT_TRUE(SUCCEEDED(com_.Result()));
    ASSERT_TRUE(RegisteredServer::Ensure());
    save_ = folder_.File("save");
}

std::string QorTest::Source(const std::string& name, size_t size, uint32_t seed) {
    std::string path = folder_.File(name);
    testing_support::WriteFileBytes(path, PatternBytes(size, seed));
    return path;
}

}  // namespace qor_test
