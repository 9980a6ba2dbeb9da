// Registration keys, exports, version resource and the type library as
// callers see it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qor/com/typelib_rules.h"
#include "tests/qor/qor_test_support.h"
#include "win/text.h"
#include "win/unique_handle.h"

namespace qor_test {
namespace {

std::string GuidText(REFGUID guid) {
    wchar_t text[64] = {};
    ::StringFromGUID2(guid, text, 64);
    return win::WideToAnsi(text);
}

bool KeyExists(const std::string& path) {
    win::RegKey key;
    return ::RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.Put()) ==
           ERROR_SUCCESS;
}

std::string KeyValue(const std::string& path, const char* name = nullptr) {
    win::RegKey key;
    if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return "<missing>";
    char buffer[1024] = {};
    DWORD size = sizeof(buffer) - 1;
    DWORD type = 0;
    if (::RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                           &size) != ERROR_SUCCESS || type != REG_SZ)
        return "<no value>";
    return buffer;
}

using Entry = HRESULT(STDAPICALLTYPE*)();

Entry Export(HMODULE module, const char* name) {
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

class RegistrationTest : public QorTest {
protected:
    void SetUp() override {
        QorTest::SetUp();
        module_.Reset(::LoadLibraryA(RegisteredServer::DllPath().c_str()));
        ASSERT_TRUE(module_);
    }
    void TearDown() override {
        // Leave the server registered for the other tests of this program.
        Entry reg = Export(module_.Get(), "DllRegisterServer");
        if (reg) reg();
    }
    win::Module module_;
};

TEST_F(RegistrationTest, RegisterWritesTheListedKeysAndUnregisterRemovesThem) {
    Entry reg = Export(module_.Get(), "DllRegisterServer");
    Entry unreg = Export(module_.Get(), "DllUnregisterServer");
    ASSERT_NE(nullptr, reg);
    ASSERT_NE(nullptr, unreg);
    ASSERT_EQ(S_OK, reg());
    const std::string clsid = GuidText(CLSID_QORDownloader);
    const std::string cls = "CLSID\\" + clsid;
    EXPECT_EQ("QORDownloader Class", KeyValue("QOR.QORDownloader.1"));
    EXPECT_EQ(clsid, KeyValue("QOR.QORDownloader.1\\CLSID"));
    EXPECT_EQ("QORDownloader Class", KeyValue("QOR.QORDownloader"));
    EXPECT_EQ(clsid, KeyValue("QOR.QORDownloader\\CLSID"));
    EXPECT_EQ("QOR.QORDownloader.1", KeyValue("QOR.QORDownloader\\CurVer"));
    EXPECT_EQ("QORDownloader Class", KeyValue(cls));
    EXPECT_EQ("QOR.QORDownloader.1", KeyValue(cls + "\\ProgID"));
    EXPECT_EQ("QOR.QORDownloader", KeyValue(cls + "\\VersionIndependentProgID"));
    EXPECT_TRUE(KeyExists(cls + "\\Programmable"));
    EXPECT_EQ(GuidText(LIBID_QOR), KeyValue(cls + "\\TypeLib"));
    EXPECT_EQ("Apartment", KeyValue(cls + "\\InprocServer32", "ThreadingModel"));
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(module_.Get(), path, MAX_PATH);
    EXPECT_EQ(0, _stricmp(path, KeyValue(cls + "\\InprocServer32").c_str()));
    win::ComPtr<ITypeLib> registered;
    EXPECT_EQ(S_OK, ::LoadRegTypeLib(LIBID_QOR, 1, 0, 0x409, registered.GetAddressOf()));

    CLSID fromProgId = GUID_NULL;
    EXPECT_EQ(S_OK, ::CLSIDFromProgID(L"QOR.QORDownloader", &fromProgId));
    EXPECT_EQ(CLSID_QORDownloader, fromProgId);

    ASSERT_EQ(S_OK, unreg());
    EXPECT_FALSE(KeyExists(cls));
    EXPECT_FALSE(KeyExists("QOR.QORDownloader.1"));
    EXPECT_FALSE(KeyExists("QOR.QORDownloader"));
    EXPECT_TRUE(KeyExists("CLSID"));
    win::ComPtr<IQORDownloader> none;
    EXPECT_NE(S_OK, ::CoCreateInstance(CLSID_QORDownloader, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_PPV_ARGS(none.GetAddressOf())));
    ASSERT_EQ(S_OK, reg());
}

TEST_F(RegistrationTest, ExportsExactlyTheFourServerEntriesAndSelfRegisters) {
    auto* base = reinterpret_cast<const BYTE*>(module_.Get());
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    ASSERT_NE(0u, dir.VirtualAddress);
    auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    std::vector<std::string> found;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        found.push_back(reinterpret_cast<const char*>(base + names[i]));
    const std::vector<std::string> expected = {"DllCanUnloadNow", "DllGetClassObject",
                                               "DllRegisterServer", "DllUnregisterServer"};
    EXPECT_EQ(expected, found);
    EXPECT_EQ(4u, exports->NumberOfFunctions);

    const std::string dll = RegisteredServer::DllPath();
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeA(dll.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(::GetFileVersionInfoA(dll.c_str(), 0, size, info.data()));
    void* value = nullptr;
    UINT length = 0;
    EXPECT_TRUE(::VerQueryValueA(info.data(), "\\StringFileInfo\\040904b0\\OLESelfRegister",
                                 &value, &length));
}

TEST_F(RegistrationTest, ModuleMayUnloadOnlyWhenNoObjectLives) {
    Entry canUnload = Export(module_.Get(), "DllCanUnloadNow");
    ASSERT_NE(nullptr, canUnload);
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto getClass = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(::GetProcAddress(module_.Get(), "DllGetClassObject")));
    ASSERT_NE(nullptr, getClass);
    EXPECT_EQ(S_OK, canUnload());
    win::ComPtr<IClassFactory> factory;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              getClass(IID_IQORDownloader, IID_PPV_ARGS(factory.GetAddressOf())));
    ASSERT_EQ(S_OK, getClass(CLSID_QORDownloader, IID_PPV_ARGS(factory.GetAddressOf())));
    win::ComPtr<IUnknown> outer;
    win::ComPtr<IUnknown> aggregated;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_PPV_ARGS(outer.GetAddressOf())));
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              factory->CreateInstance(outer.Get(), IID_PPV_ARGS(aggregated.GetAddressOf())));
    win::ComPtr<IQORDownloader> downloader;
    ASSERT_EQ(S_OK, outer.As(&downloader));
    outer.Reset();
    EXPECT_EQ(S_FALSE, canUnload());
    ASSERT_EQ(S_OK, downloader->Initialize(win::ToBstr("C:\\").Get()));
    win::ComPtr<IQORDownloadJob> job;
    ASSERT_EQ(S_OK, downloader->CreateDownloadJob(job.GetAddressOf()));
    downloader.Reset();
    EXPECT_EQ(S_FALSE, canUnload());  // the job still lives
    job.Reset();
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(S_FALSE, canUnload());
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    factory.Reset();
    EXPECT_EQ(S_OK, canUnload());
}

// One method of an interface as the tables fix it.
struct Method {
    int slot;  // counted from 1, which is vtable slot 8
    MEMBERID dispid;
    INVOKEKIND kind;
    const wchar_t* name;
    const wchar_t* help;
};

constexpr INVOKEKIND G = INVOKE_PROPERTYGET;
constexpr INVOKEKIND P = INVOKE_PROPERTYPUT;
constexpr INVOKEKIND M = INVOKE_FUNC;

const Method kDownloader[] = {
    {1, 5, G, L"ConcurrentJobCount", L"property ConcurrentJobCount"},
    {2, 5, P, L"ConcurrentJobCount", L"property ConcurrentJobCount"},
    {3, 8, G, L"HttpProxyServer", L"property HttpProxyServer"},
    {4, 8, P, L"HttpProxyServer", L"property HttpProxyServer"},
    {5, 9, G, L"FtpProxyServer", L"property FtpProxyServer"},
    {6, 9, P, L"FtpProxyServer", L"property FtpProxyServer"},
    {7, 10, M, L"BeginDownloadJob", L"method AppendDownloadJob"},
    {8, 11, M, L"StopDownloadJob", L"method StopDownloadJob"},
    {9, 12, M, L"PauseDownloadJob", L"method SuspendDownloadJob"},
    {10, 13, M, L"ResumeDownloadJob", L"method ResumeDownloadJob"},
    {11, 14, M, L"CreateDownloadJob", L"method CreateDownloadJob"},
    {12, 15, M, L"CreateProxyServer", L"method CreateProxyServer"},
    {13, 16, M, L"Initialize", L"method Initialize"},
};

const Method kJob[] = {
    {1, 1, G, L"DownloadURL", L"property DownloadURL"},
    {2, 1, P, L"DownloadURL", L"property DownloadURL"},
    {3, 2, G, L"SavePath", L"property SavePath"},
    {4, 2, P, L"SavePath", L"property SavePath"},
    {5, 3, G, L"FileName", L"property FileName"},
    {6, 3, P, L"FileName", L"property FileName"},
    {7, 4, G, L"FileLength", L"property FileLength"},
    {8, 5, G, L"MD5", L"property MD5"},
    {9, 6, G, L"ID", L"property ID"},
    {10, 7, G, L"MaxThreadCount", L"property MaxPortionCount"},
    {11, 7, P, L"MaxThreadCount", L"property MaxPortionCount"},
    {12, 8, G, L"DownloadProgress", L"property DownloadProgress"},
    {13, 9, G, L"StatusCode", L"property StatusCode"},
    {14, 10, G, L"ServerUserName", L"property ServerUserName"},
    {15, 10, P, L"ServerUserName", L"property ServerUserName"},
    {16, 11, G, L"ServerPassword", L"property ServerPassword"},
    {17, 11, P, L"ServerPassword", L"property ServerPassword"},
    {18, 12, G, L"ResumeBreakpoint", L"property BreakPoint"},
    {19, 12, P, L"ResumeBreakpoint", L"property BreakPoint"},
    {20, 13, G, L"ReadOnly", L"property ReadOnly"},
    {21, 14, G, L"RetryTimes", L"property RetryTimes"},
    {22, 14, P, L"RetryTimes", L"property RetryTimes"},
    {23, 15, G, L"RetryElapse", L"property RetryElapse"},
    {24, 15, P, L"RetryElapse", L"property RetryElapse"},
    {25, 16, G, L"Timeout", L"property Timeout"},
    {26, 16, P, L"Timeout", L"property Timeout"},
    {27, 17, G, L"Bandwidth", L"property Bandwidth"},
    {28, 17, P, L"Bandwidth", L"property Bandwidth"},
    {29, 18, G, L"Cookie", L"property Cookie"},
    {30, 18, P, L"Cookie", L"property Cookie"},
    {31, 19, G, L"EnableRedirect", L"property EnableRedirect"},
    {32, 19, P, L"EnableRedirect", L"property EnableRedirect"},
    {33, 20, G, L"RedirectURL", L"property RedirectURL"},
};

const Method kProgress[] = {
    {1, 1, G, L"TotalBytes", L"property TotalBytes"},
    {2, 2, G, L"DownloadedBytes", L"property DownloadedBytes"},
    {3, 3, G, L"DownloadedPercent", L"property DownloadedPercent"},
    {4, 5, G, L"ConsumingTime", L"property ConsumingTime"},
    {5, 6, G, L"AverageRate", L"property AverageRate"},
    {6, 7, G, L"LeftTime", L"property LeftTime"},
    {7, 8, G, L"CurrentRate", L"property CurrentRate"},
    {8, 9, G, L"RetryLeftTime", L"property RetryLeftTime"},
    {9, 10, G, L"RetriedTimes", L"property RetriedTimes"},
};

const Method kProxy[] = {
    {1, 1, G, L"UserName", L"property UserName"},
    {2, 1, P, L"UserName", L"property UserName"},
    {3, 2, G, L"Password", L"property Password"},
    {4, 2, P, L"Password", L"property Password"},
    {5, 3, G, L"Address", L"property Address"},
    {6, 3, P, L"Address", L"property Address"},
    {7, 4, G, L"Port", L"property Port"},
    {8, 4, P, L"Port", L"property Port"},
    {9, 5, G, L"ReadOnly", L"property ReadOnly"},
    {10, 6, G, L"Type", L"property Type"},
    {11, 6, P, L"Type", L"property Type"},
};

const Method kEvents[] = {
    {0, 1, M, L"DownlodJobBegin", L"method DownlodJobBegin"},
    {0, 2, M, L"DownloadJobCompleted", L"method DownloadJobCompleted"},
    {0, 3, M, L"DownloadJobWaiting", L"method DownloadJobWaiting"},
    {0, 4, M, L"DownloadJobCanceled", L"method DownloadJobCanceled"},
    {0, 5, M, L"DownloadJobPaused", L"method DownloadJobPaused"},
    {0, 6, M, L"DownloadJobError", L"method DownloadJobError"},
    {0, 7, M, L"DownloadJobInProgress", L"method DownloadJobInProgress"},
    {0, 8, M, L"DownloadJobWaitingForRetry", L"method DownloadJobWaitingForRetry"},
    {0, 9, M, L"DownloadJobBeginReadData", L"method DownloadJobReadyToReadData"},
};

struct Interface {
    const char* label;
    const IID* iid;
    const wchar_t* help;
    const Method* methods;
    size_t count;
};

const Interface kInterfaces[] = {
    {"IQORDownloader", &IID_IQORDownloader, L"IQORDownloader Interface", kDownloader,
     sizeof(kDownloader) / sizeof(Method)},
    {"IQORDownloadJob", &IID_IQORDownloadJob, L"IQORDownloadJob Interface", kJob,
     sizeof(kJob) / sizeof(Method)},
    {"IQORDownloadProgress", &IID_IQORDownloadProgress, L"IQORDownloadProgress Interface",
     kProgress, sizeof(kProgress) / sizeof(Method)},
    {"IQORProxyServer", &IID_IQORProxyServer, L"IQORProxyServer Interface", kProxy,
     sizeof(kProxy) / sizeof(Method)},
};

class TypeLibraryTest : public QorTest {
protected:
    void SetUp() override {
        QorTest::SetUp();
        ASSERT_EQ(S_OK, ::LoadRegTypeLib(LIBID_QOR, 1, 0, 0x409, library_.GetAddressOf()));
    }

    // The vtable view of a dual interface.
    win::ComPtr<ITypeInfo> VtableView(REFIID iid) {
        win::ComPtr<ITypeInfo> info;
        EXPECT_EQ(S_OK, library_->GetTypeInfoOfGuid(iid, info.GetAddressOf()));
        if (!info) return info;
        TYPEATTR* attr = nullptr;
        info->GetTypeAttr(&attr);
        const TYPEKIND kind = attr->typekind;
        info->ReleaseTypeAttr(attr);
        if (kind == TKIND_DISPATCH) {
            HREFTYPE ref = 0;
            win::ComPtr<ITypeInfo> vtable;
            EXPECT_EQ(S_OK, info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref));
            EXPECT_EQ(S_OK, info->GetRefTypeInfo(ref, vtable.GetAddressOf()));
            info = vtable;
        }
        if (!info) return info;
        info->GetTypeAttr(&attr);
        EXPECT_EQ(TKIND_INTERFACE, attr->typekind);
        EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
        EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
        EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDISPATCHABLE);
        EXPECT_EQ((7u + attr->cFuncs) * sizeof(void*), attr->cbSizeVft);
        info->ReleaseTypeAttr(attr);
        return info;
    }

    static std::wstring Doc(ITypeInfo* info, MEMBERID id, bool help) {
        win::Bstr name;
        win::Bstr text;
        info->GetDocumentation(id, name.Put(), text.Put(), nullptr, nullptr);
        const BSTR b = help ? text.Get() : name.Get();
        return b ? std::wstring(b) : std::wstring();
    }

    void ExpectMethods(ITypeInfo* info, const Method* methods, size_t count, bool vtable) {
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
        const WORD funcs = attr->cFuncs;
        info->ReleaseTypeAttr(attr);
        // A dispinterface may also count IUnknown's and IDispatch's members
        // (listed restricted, or not listed at all); the tables name only its
        // own.
        std::vector<UINT> own;
        for (UINT i = 0; i < funcs; ++i) {
            FUNCDESC* f = nullptr;
            if (vtable) ASSERT_EQ(S_OK, info->GetFuncDesc(i, &f));
            else if (FAILED(info->GetFuncDesc(i, &f))) continue;
            if (vtable || !(f->wFuncFlags & FUNCFLAG_FRESTRICTED)) own.push_back(i);
            info->ReleaseFuncDesc(f);
        }
        ASSERT_EQ(count, own.size());
        for (size_t k = 0; k < own.size(); ++k) {
            FUNCDESC* f = nullptr;
            ASSERT_EQ(S_OK, info->GetFuncDesc(own[k], &f));
            const Method& m = methods[k];
            SCOPED_TRACE(testing::Message() << "method " << k);
            EXPECT_EQ(m.dispid, f->memid);
            EXPECT_EQ(m.kind, f->invkind);
            if (vtable) {
                EXPECT_EQ((7 + m.slot - 1) * static_cast<int>(sizeof(void*)), f->oVft);
                EXPECT_EQ(VT_HRESULT, f->elemdescFunc.tdesc.vt);
            }
            EXPECT_EQ(m.name, Doc(info, f->memid, false));
            EXPECT_EQ(m.help, Doc(info, f->memid, true));
            info->ReleaseFuncDesc(f);
        }
    }

    win::ComPtr<ITypeLib> library_;
};

TEST_F(TypeLibraryTest, LibraryCarriesItsNameHelpVersionAndLocale) {
    win::Bstr name;
    win::Bstr help;
    ASSERT_EQ(S_OK, library_->GetDocumentation(-1, name.Put(), help.Put(), nullptr, nullptr));
    EXPECT_STREQ(L"QOR", name.Get());
    EXPECT_STREQ(L"QOR 1.0 Type Library", help.Get());
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(S_OK, library_->GetLibAttr(&attr));
    EXPECT_EQ(LIBID_QOR, attr->guid);
    EXPECT_EQ(1, attr->wMajorVerNum);
    EXPECT_EQ(0, attr->wMinorVerNum);
    EXPECT_EQ(1033u, attr->lcid);
    library_->ReleaseTLibAttr(attr);
}

TEST_F(TypeLibraryTest, DualInterfacesHaveTheirSlotsDispidsAndHelpStrings) {
    for (const Interface& itf : kInterfaces) {
        SCOPED_TRACE(itf.label);
        win::ComPtr<ITypeInfo> view = VtableView(*itf.iid);
        ASSERT_TRUE(view);
        EXPECT_EQ(itf.help, Doc(view.Get(), MEMBERID_NIL, true));
        ExpectMethods(view.Get(), itf.methods, itf.count, true);
    }
}

// The universal marshaler and every importer take a dual's inheritance from
// here: the vtable side must derive from stdole2's IDispatch itself.
TEST_F(TypeLibraryTest, DualInterfacesDeriveFromIDispatch) {
    for (const Interface& itf : kInterfaces) {
        SCOPED_TRACE(itf.label);
        win::ComPtr<ITypeInfo> view = VtableView(*itf.iid);
        ASSERT_TRUE(view);
        HREFTYPE ref = 0;
        win::ComPtr<ITypeInfo> base;
        ASSERT_EQ(S_OK, view->GetRefTypeOfImplType(0, &ref));
        ASSERT_EQ(S_OK, view->GetRefTypeInfo(ref, base.GetAddressOf()));
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(S_OK, base->GetTypeAttr(&attr));
        EXPECT_EQ(IID_IDispatch, attr->guid);
        EXPECT_EQ(TKIND_INTERFACE, attr->typekind);
        EXPECT_EQ(7 * sizeof(void*), attr->cbSizeVft);
        base->ReleaseTypeAttr(attr);
        EXPECT_EQ(L"IDispatch", Doc(base.Get(), MEMBERID_NIL, false));
    }
}

TEST_F(TypeLibraryTest, EventInterfaceIsADispinterfaceWithNineMethods) {
    win::ComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, library_->GetTypeInfoOfGuid(DIID__IQORDownloadJobEvents, info.GetAddressOf()));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    EXPECT_EQ(TKIND_DISPATCH, attr->typekind);
    EXPECT_FALSE(attr->wTypeFlags & TYPEFLAG_FDUAL);
    // Exactly its own nine, every one readable: an event sink built from
    // the library binds to what it lists.
    EXPECT_EQ(9, attr->cFuncs);
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FUNCDESC* f = nullptr;
        ASSERT_EQ(S_OK, info->GetFuncDesc(i, &f)) << "function " << i;
        EXPECT_EQ(kEvents[i].dispid, f->memid);
        EXPECT_EQ(kEvents[i].name, Doc(info.Get(), f->memid, false));
        info->ReleaseFuncDesc(f);
    }
    info->ReleaseTypeAttr(attr);
    EXPECT_EQ(L"_IQORDownloadJobEvents Interface", Doc(info.Get(), MEMBERID_NIL, true));
    ExpectMethods(info.Get(), kEvents, sizeof(kEvents) / sizeof(Method), false);
    BSTR names[3] = {};
    UINT got = 0;
    ASSERT_EQ(S_OK, info->GetNames(6, names, 3, &got));
    ASSERT_EQ(3u, got);
    EXPECT_STREQ(L"JobID", names[1]);
    EXPECT_STREQ(L"ErrorCode", names[2]);
    for (BSTR& n : names) ::SysFreeString(n);
}

TEST_F(TypeLibraryTest, EnumerationsCarryValuesAndMemberHelpStrings) {
    struct Member {
        const wchar_t* name;
        LONG value;
        const wchar_t* help;
    };
    const Member status[] = {
        {L"qorjsReady", 1, L"Download job status ready"},
        {L"qorjsBegin", 2, L"Download job status begin"},
        {L"qorjsWaiting", 3, L"Download job status waiting"},
        {L"qorjsDownloading", 4, L"Download job status downloading"},
        {L"qorjsCompleted", 5, L"Download job status completed"},
        {L"qorjsCanceled", 6, L"Download job status canceled"},
        {L"qorjsPaused", 7, L"Download job status paused"},
        {L"qorjsWaitingForRetry", 8, L"Download job status waiting for retry"},
        {L"qorjsFailed", 9, L"Download job status Failed"},
    };
    const Member proxy[] = {
        {L"qorpstNone", 0, L"Proxy server type none"},
        {L"qorpstIE", 1, L"Proxy server type useie"},
        {L"qorpstFtp", 2, L"Proxy server type ftp"},
        {L"qorpstHttp", 3, L"Proxy server type httpget"},
        {L"qorpstSocks4", 4, L"Proxy server type socks4"},
        {L"qorpstSocks4a", 5, L"Proxy server type socks4a"},
        {L"qorpstSocks5", 6, L"Proxy server type socks5"},
    };
    struct Enum {
        const wchar_t* name;
        const Member* members;
        size_t count;
    };
    const Enum enums[] = {{L"DownloadJobStatus", status, 9}, {L"ProxyServerType", proxy, 7}};
    for (const Enum& e : enums) {
        win::ComPtr<ITypeInfo> info;
        MEMBERID id = 0;
        USHORT found = 1;
        std::wstring name = e.name;
        ASSERT_EQ(S_OK, library_->FindName(&name[0], 0, info.GetAddressOf(), &id, &found));
        ASSERT_EQ(1, found);
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
        EXPECT_EQ(TKIND_ENUM, attr->typekind);
        EXPECT_EQ(GUID_NULL, attr->guid);
        ASSERT_EQ(e.count, attr->cVars);
        info->ReleaseTypeAttr(attr);
        for (UINT i = 0; i < e.count; ++i) {
            VARDESC* var = nullptr;
            ASSERT_EQ(S_OK, info->GetVarDesc(i, &var));
            EXPECT_EQ(VAR_CONST, var->varkind);
            EXPECT_EQ(e.members[i].value, var->lpvarValue->lVal);
            EXPECT_EQ(e.members[i].name, Doc(info.Get(), var->memid, false));
            EXPECT_EQ(e.members[i].help, Doc(info.Get(), var->memid, true));
            info->ReleaseVarDesc(var);
        }
    }
}

TEST_F(TypeLibraryTest, CoclassNamesItsDefaultAndSourceInterfaces) {
    win::ComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, library_->GetTypeInfoOfGuid(CLSID_QORDownloader, info.GetAddressOf()));
    EXPECT_EQ(L"QORDownloader Class", Doc(info.Get(), MEMBERID_NIL, true));
    EXPECT_EQ(L"QORDownloader", Doc(info.Get(), MEMBERID_NIL, false));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    EXPECT_EQ(TKIND_COCLASS, attr->typekind);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FCANCREATE);
    ASSERT_EQ(2, attr->cImplTypes);
    info->ReleaseTypeAttr(attr);
    bool sawDefault = false;
    bool sawSource = false;
    for (UINT i = 0; i < 2; ++i) {
        INT flags = 0;
        HREFTYPE ref = 0;
        win::ComPtr<ITypeInfo> impl;
        ASSERT_EQ(S_OK, info->GetImplTypeFlags(i, &flags));
        ASSERT_EQ(S_OK, info->GetRefTypeOfImplType(i, &ref));
        ASSERT_EQ(S_OK, info->GetRefTypeInfo(ref, impl.GetAddressOf()));
        TYPEATTR* implAttr = nullptr;
        impl->GetTypeAttr(&implAttr);
        const GUID guid = implAttr->guid;
        impl->ReleaseTypeAttr(implAttr);
        if (flags == IMPLTYPEFLAG_FDEFAULT) {
            EXPECT_EQ(IID_IQORDownloader, guid);
            sawDefault = true;
        } else if (flags == (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) {
            EXPECT_EQ(DIID__IQORDownloadJobEvents, guid);
            sawSource = true;
        }
    }
    EXPECT_TRUE(sawDefault);
    EXPECT_TRUE(sawSource);
}

std::string ResourceBytes(HMODULE module, LPCSTR type, int id) {
    HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(id), type);
    HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data) return std::string();
    return std::string(static_cast<const char*>(data), ::SizeofResource(module, found));
}

bool Mentions(const std::vector<std::string>& problems, const std::string& text) {
    for (const std::string& p : problems)
        if (p.find(text) != std::string::npos) return true;
    return false;
}

// The library's file read from its bytes, as any reader on any system gets
// it: the one in the built QOR.dll meets every rule, and the library that
// the first rewrite produced (kept as test data) fails each of them.
TEST(TypeLibraryFileTest, BuiltLibraryIsRightAndTheFirstRewriteWasNot) {
    win::Module dll(::LoadLibraryExA(RegisteredServer::DllPath().c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(dll);
    const std::string built = ResourceBytes(dll.Get(), "TYPELIB", 1);
    ASSERT_FALSE(built.empty());
    const std::vector<std::string> problems = qor::CheckQorTypeLibBytes(built);
    for (const std::string& p : problems) ADD_FAILURE() << p;

    const std::string old = ResourceBytes(nullptr, RT_RCDATA, 1);
    ASSERT_FALSE(old.empty());
    const std::vector<std::string> found = qor::CheckQorTypeLibBytes(old);
    EXPECT_TRUE(Mentions(found, "names GUID_NULL"));
    EXPECT_TRUE(Mentions(found, "not an interface"));
    for (const char* dual : {"IQORDownloader:", "IQORDownloadJob:", "IQORDownloadProgress:",
                             "IQORProxyServer:"}) {
        EXPECT_TRUE(Mentions(found, std::string(dual) + " base is not stdole2's IDispatch"));
        EXPECT_TRUE(Mentions(found, std::string(dual) + " alignment 4"));
    }
    EXPECT_TRUE(Mentions(found, "_IQORDownloadJobEvents: has an implemented type"));
    EXPECT_TRUE(Mentions(found, "_IQORDownloadJobEvents: vtable size 128"));
    EXPECT_TRUE(Mentions(found, "DownloadJobStatus: size 8"));
    EXPECT_TRUE(Mentions(found, "ProxyServerType: size 8"));

    // A cut or garbled file is refused, not read past its end.
    EXPECT_FALSE(qor::CheckQorTypeLibBytes(built.substr(0, 600)).empty());
    std::string garbled = built;
    for (size_t i = 0x60; i < 0x100 && i < garbled.size(); ++i) garbled[i] = '\x7f';
    EXPECT_FALSE(qor::CheckQorTypeLibBytes(garbled).empty());
}

}  // namespace
}  // namespace qor_test
