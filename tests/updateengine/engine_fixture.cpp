#include "tests/updateengine/engine_fixture.h"

#include "tests/updateengine/test_catalog.h"
#include "win/text.h"
#include "win/unique_handle.h"

namespace updateengine_test {

using namespace testing_support;

namespace {

constexpr char kProductKey[] = "Software\\tolvane\\ZEMA";
constexpr DWORD kRegsvr32TimeoutMs = 60000;
constexpr size_t kGuidTextLength = 39;

// Each item's ID followed by its superseded items' in brackets.
std::vector<std::string> ItemIds(IDetectedItems* items) {
    std::vector<std::string> ids;
    LONG count = 0;
    if (FAILED(items->get_Count(&count))) return ids;
    for (LONG i = 0; i < count; ++i) {
        win::ComPtr<IDetectedItem> item;
        LONG id = 0;
        if (FAILED(items->get_Item(i, item.GetAddressOf())) || FAILED(item->get_ID(&id))) break;
        std::string text = std::to_string(id);
        win::ComPtr<IDetectedItems> older;
        if (SUCCEEDED(item->get_SupersededItems(older.GetAddressOf()))) {
            std::vector<std::string> olderIds = ItemIds(older.Get());
            for (size_t j = 0; j < olderIds.size(); ++j)
                text += (j == 0 ? "[" : ",") + olderIds[j] + (j + 1 == olderIds.size() ? "]" : "");
        }
        ids.push_back(text);
    }
    return ids;
}

}  // namespace

std::string EngineDll() { return BinaryFolder() + "\\UpdateEngine.dll"; }

std::string EngineClassKey() {
    wchar_t clsid[kGuidTextLength] = {};
    ::StringFromGUID2(CLSID_UpdateEngine, clsid, static_cast<int>(kGuidTextLength));
    return "Software\\Classes\\CLSID\\" + win::WideToAnsi(clsid);
}

int RunRegsvr32(const std::string& arguments) {
    char system[MAX_PATH] = {};
    ::GetSystemDirectoryA(system, MAX_PATH);
    ChildProcess regsvr32;
    if (!regsvr32.Start(std::string(system) + "\\regsvr32.exe",
                        arguments + " \"" + EngineDll() + "\""))
        return -1;
    return regsvr32.Wait(kRegsvr32TimeoutMs);
}

win::ComPtr<EventSink> EventSink::Create() {
    return win::TakeOwnership(new EventSink());
}

STDMETHODIMP EventSink::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch) return E_NOINTERFACE;
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) EventSink::AddRef() { return ++references_; }

STDMETHODIMP_(ULONG) EventSink::Release() {
    LONG left = --references_;
    if (left == 0) delete this;
    return left;
}

STDMETHODIMP EventSink::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP EventSink::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

STDMETHODIMP EventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

STDMETHODIMP EventSink::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*,
                               EXCEPINFO*, UINT*) {
    using namespace zema::engine;
    RecordedEvent e;
    e.id = id;
    e.thread = ::GetCurrentThreadId();
    UINT expected = (id == kEventInstalled || id == kEventFailed) ? 2 : 1;
    e.wellFormed = (flags & DISPATCH_METHOD) && params && params->cArgs == expected &&
                   params->cNamedArgs == 0 && params->rgvarg[expected - 1].vt == VT_I4;
    if (e.wellFormed) {
        e.jobId = params->rgvarg[expected - 1].lVal;
        if (id == kEventInstalled) {
            e.wellFormed = params->rgvarg[0].vt == VT_BOOL;
            e.rebootNeeded = params->rgvarg[0].boolVal == VARIANT_TRUE;
        } else if (id == kEventFailed) {
            e.wellFormed = params->rgvarg[0].vt == VT_I4;
            e.errorCode = params->rgvarg[0].lVal;
        }
    }
    events.push_back(e);
    if (onEvent) onEvent(e);
    return S_OK;
}

std::vector<RecordedEvent> EventSink::Of(LONG jobId) const {
    std::vector<RecordedEvent> mine;
    for (const RecordedEvent& e : events) {
        if (e.jobId == jobId) mine.push_back(e);
    }
    return mine;
}

bool EventSink::WaitForEnd(LONG jobId, DWORD timeoutMs) {
    using namespace zema::engine;
    return PumpUntil(
        [&] {
            for (const RecordedEvent& e : Of(jobId)) {
                if (e.id == kEventInstalled || e.id == kEventFailed || e.id == kEventCanceled)
                    return true;
            }
            return false;
        },
        timeoutMs);
}

void EngineTest::SetUp() {
    ASSERT_HRESULT_SUCCEEDED(com_.Result());
    product_ = std::make_unique<RegistryKeySnapshot>(HKEY_LOCAL_MACHINE, kProductKey);
    markers_ = std::make_unique<RegistryKeySnapshot>(HKEY_LOCAL_MACHINE, kMarkerKey);
    markers_->DeleteAllValues();
    classKey_ = std::make_unique<RegistryKeySnapshot>(HKEY_LOCAL_MACHINE, EngineClassKey());
    serverKey_ = std::make_unique<RegistryKeySnapshot>(HKEY_LOCAL_MACHINE,
                                                       EngineClassKey() + "\\InprocServer32");
    ASSERT_EQ(0, RunRegsvr32("/s"));
    UseDefinitions(SampleFolder());
}

void EngineTest::TearDown() {
    EXPECT_EQ(0, RunRegsvr32("/u /s"));
    serverKey_.reset();
    classKey_.reset();
    markers_.reset();
    product_.reset();
}

void EngineTest::UseDefinitions(const std::string& folder) {
    ASSERT_TRUE(SetRegString(HKEY_LOCAL_MACHINE, kProductKey, "VDFPath", folder));
}

std::string EngineTest::WriteDefinitions(const std::string& catalogXml) {
    std::string folder = folder_.File("vdf");
    ::CreateDirectoryA(folder.c_str(), nullptr);
    WriteFileBytes(folder + "\\catalog.xml", catalogXml);
    return folder;
}

win::ComPtr<IUpdateEngine> EngineTest::OpenEngine() {
    win::ComPtr<IUpdateEngine> engine;
    HRESULT hr = ::CoCreateInstance(CLSID_UpdateEngine, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_PPV_ARGS(engine.GetAddressOf()));
    EXPECT_EQ(S_OK, hr);
    if (FAILED(hr)) return nullptr;
    win::Bstr install(L"C:\\Program Files\\Zemaguard");
    hr = engine->Open(install.Get());
    EXPECT_EQ(S_OK, hr);
    return SUCCEEDED(hr) ? engine : nullptr;
}

win::ComPtr<IUpdateCatalog> EngineTest::CatalogOf(IUpdateEngine* engine) {
    win::ComPtr<IUpdateCatalog> catalog;
    EXPECT_EQ(S_OK, engine->GetCatalog(zema::engine::kCatalogLanguage, catalog.GetAddressOf()));
    return catalog;
}

std::vector<std::string> EngineTest::ScanIds() {
    std::vector<std::string> ids;
    win::ComPtr<IUpdateEngine> engine = OpenEngine();
    if (!engine) return ids;
    win::ComPtr<IScanResult> result;
    win::ComPtr<IDetectedItems> items;
    EXPECT_EQ(S_OK, engine->Scan(result.GetAddressOf()));
    if (result && SUCCEEDED(result->get_DetectedItems(items.GetAddressOf())))
        ids = ItemIds(items.Get());
    engine->Close();
    return ids;
}

bool EngineTest::MarkerExists(const std::string& update) const {
    win::RegKey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kMarkerKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return false;
    return ::RegQueryValueExA(key.Get(), update.c_str(), nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

}  // namespace updateengine_test
