// The engine as Zema sees it: registration, opening, scanning this machine
// and the catalog's answers.

#include <gtest/gtest.h>

#include <thread>

#include "tests/updateengine/engine_fixture.h"
#include "tests/updateengine/test_catalog.h"
#include "win/text.h"
#include "win/unique_handle.h"

namespace updateengine_test {
namespace {

using namespace testing_support;
using win::ComPtr;

std::string Text(BSTR text) {
    std::string ansi = win::FromBstr(text);
    ::SysFreeString(text);
    return ansi;
}

std::string ReadRegText(const std::string& key, const char* name) {
    char value[MAX_PATH * 2] = {};
    DWORD size = sizeof(value) - 1;
    if (::RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value,
                       &size) != ERROR_SUCCESS)
        return "<none>";
    return value;
}

using UpdateEngineTest = EngineTest;

TEST_F(UpdateEngineTest, Regsvr32RegistersAndUnregistersTheServer) {
    std::string server = EngineClassKey() + "\\InprocServer32";
    EXPECT_EQ(0, _stricmp(EngineDll().c_str(), ReadRegText(server, nullptr).c_str()))
        << ReadRegText(server, nullptr);
    EXPECT_EQ("Apartment", ReadRegText(server, "ThreadingModel"));
    ComPtr<IUpdateEngine> engine;
    EXPECT_EQ(S_OK, ::CoCreateInstance(CLSID_UpdateEngine, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_PPV_ARGS(engine.GetAddressOf())));
    engine.Reset();
    ::CoFreeUnusedLibraries();

    EXPECT_EQ(0, RunRegsvr32("/u /s"));
    EXPECT_EQ("<none>", ReadRegText(server, nullptr));
    win::RegKey gone;
    EXPECT_NE(ERROR_SUCCESS,
              ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, EngineClassKey().c_str(), 0, KEY_READ, gone.Put()));
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              ::CoCreateInstance(CLSID_UpdateEngine, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_PPV_ARGS(engine.GetAddressOf())));
    // Unregistering what is not registered is no failure.
    EXPECT_EQ(0, RunRegsvr32("/u /s"));
}

TEST_F(UpdateEngineTest, OpeningNeedsSoundDefinitions) {
    ComPtr<IUpdateEngine> engine;
    ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_UpdateEngine, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_PPV_ARGS(engine.GetAddressOf())));
    win::Bstr install(L"C:\\Program Files\\Zemaguard");

    // Nothing works before a successful Open.
    ComPtr<IScanResult> result;
    ComPtr<IUpdateCatalog> catalog;
    ComPtr<IUpdateInstaller> installer;
    EXPECT_EQ(E_FAIL, engine->Scan(result.GetAddressOf()));
    EXPECT_EQ(E_FAIL, engine->GetCatalog(1033, catalog.GetAddressOf()));
    EXPECT_EQ(E_FAIL, engine->GetInstaller(installer.GetAddressOf()));
    EXPECT_FALSE(result || catalog || installer);

    ASSERT_EQ(ERROR_SUCCESS, ::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, "Software\\tolvane\\ZEMA",
                                                  "VDFPath"));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), engine->Open(install.Get()));
    UseDefinitions(folder_.Path());
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), engine->Open(install.Get()));
    UseDefinitions(WriteDefinitions(CatalogXml(UpdateXml(TestUpdate())).substr(0, 300)));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_DATA), engine->Open(install.Get()));
    EXPECT_EQ(E_FAIL, engine->Scan(result.GetAddressOf()));

    UseDefinitions(SampleFolder());
    EXPECT_EQ(S_OK, engine->Open(install.Get()));
    EXPECT_EQ(E_FAIL, engine->Open(install.Get()));
    EXPECT_EQ(S_OK, engine->Close());
}

TEST_F(UpdateEngineTest, ClosingKeepsHandedOutObjectsUsable) {
    ComPtr<IUpdateEngine> engine = OpenEngine();
    ASSERT_TRUE(engine);
    ComPtr<IUpdateCatalog> catalog = CatalogOf(engine.Get());
    ComPtr<IUpdateInstaller> installer;
    ASSERT_EQ(S_OK, engine->GetInstaller(installer.GetAddressOf()));
    EXPECT_EQ(S_OK, engine->Close());
    EXPECT_EQ(S_OK, engine->Close());

    ComPtr<IScanResult> result;
    EXPECT_EQ(E_FAIL, engine->Scan(result.GetAddressOf()));
    ComPtr<IUpdateInfo> update;
    ASSERT_EQ(S_OK, catalog->GetUpdate(500104, update.GetAddressOf()));
    BSTR title = nullptr;
    ASSERT_EQ(S_OK, update->get_Title(&title));
    EXPECT_EQ("Security Update for Quillon Desktop 7 (KB500104)", Text(title));
    ComPtr<IInstallJob> job;
    EXPECT_EQ(S_OK, installer->CreateInstallJob(job.GetAddressOf()));
}

TEST_F(UpdateEngineTest, ScanOfACleanMachineReportsEveryApplicableSampleUpdate) {
    // KB500101 is superseded by KB500104 and comes only beneath it; KB500105
    // applies to no machine.
    EXPECT_EQ((std::vector<std::string>{"700102", "700103", "700104", "700105[700101]",
                                        "700106"}),
              ScanIds());

    ComPtr<IUpdateEngine> engine = OpenEngine();
    ASSERT_TRUE(engine);
    ComPtr<IScanResult> result;
    ASSERT_EQ(S_OK, engine->Scan(result.GetAddressOf()));
    ComPtr<IDetectedItems> items;
    ASSERT_EQ(S_OK, result->get_DetectedItems(items.GetAddressOf()));
    ComPtr<IDetectedItem> item;
    ASSERT_EQ(S_OK, items->get_Item(3, item.GetAddressOf()));
    LONG value = 0;
    SHORT rating = 0;
    EXPECT_EQ(S_OK, item->get_UpdateID(&value));
    EXPECT_EQ(500104, value);
    EXPECT_EQ(S_OK, item->get_SecurityBulletinID(&value));
    EXPECT_EQ(1004, value);
    EXPECT_EQ(S_OK, item->get_SeverityRating(&rating));
    EXPECT_EQ(4, rating);
    EXPECT_EQ(S_OK, item->get_ImpactedSoftwareID(&value));
    EXPECT_EQ(201, value);
    EXPECT_EQ(S_OK, item->get_ImpactedComponentID(&value));
    EXPECT_EQ(301, value);
    ComPtr<ITextList> categories;
    ASSERT_EQ(S_OK, item->get_CategoryIDs(categories.GetAddressOf()));
    EXPECT_EQ(S_OK, categories->get_Count(&value));
    EXPECT_EQ(1, value);
    BSTR text = nullptr;
    ASSERT_EQ(S_OK, categories->get_Item(0, &text));
    EXPECT_EQ("10", Text(text));
    EXPECT_EQ(E_FAIL, categories->get_Item(1, &text));

    ComPtr<IDetectedItems> older;
    ASSERT_EQ(S_OK, item->get_SupersededItems(older.GetAddressOf()));
    ComPtr<IDetectedItem> oldest;
    ASSERT_EQ(S_OK, older->get_Item(0, oldest.GetAddressOf()));
    EXPECT_EQ(S_OK, oldest->get_UpdateID(&value));
    EXPECT_EQ(500101, value);
    EXPECT_EQ(S_OK, oldest->get_SeverityRating(&rating));
    EXPECT_EQ(3, rating);

    ComPtr<IDetectedItem> none;
    EXPECT_EQ(E_FAIL, items->get_Item(5, none.GetAddressOf()));
    EXPECT_EQ(E_FAIL, items->get_Item(-1, none.GetAddressOf()));
    EXPECT_EQ(E_POINTER, items->get_Item(0, nullptr));
    engine->Close();
}

TEST_F(UpdateEngineTest, EachThreadScansWithItsOwnInstance) {
    std::vector<std::string> other;
    std::thread scanThread([&] {
        win::ComInit com;
        ComPtr<IUpdateEngine> engine;
        win::Bstr install(L"C:\\Program Files\\Zemaguard");
        if (FAILED(::CoCreateInstance(CLSID_UpdateEngine, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_PPV_ARGS(engine.GetAddressOf()))) ||
            FAILED(engine->Open(install.Get())))
            return;
        ComPtr<IScanResult> result;
        ComPtr<IDetectedItems> items;
        LONG count = 0;
        if (SUCCEEDED(engine->Scan(result.GetAddressOf())) &&
            SUCCEEDED(result->get_DetectedItems(items.GetAddressOf())) &&
            SUCCEEDED(items->get_Count(&count)))
            other.push_back(std::to_string(count));
        engine->Close();
    });
    std::vector<std::string> here = ScanIds();
    scanThread.join();
    EXPECT_EQ(5u, here.size());
    EXPECT_EQ(std::vector<std::string>{"5"}, other);
}

// Every query the result view and the details dialog make, for every item a
// scan of the sample definitions reports, and for the superseded ones too.
class CatalogQueries {
public:
    explicit CatalogQueries(IUpdateCatalog* catalog) : catalog_(catalog) {}

    void CheckItems(IDetectedItems* items) {
        LONG count = 0;
        ASSERT_EQ(S_OK, items->get_Count(&count));
        for (LONG i = 0; i < count; ++i) {
            ComPtr<IDetectedItem> item;
            ASSERT_EQ(S_OK, items->get_Item(i, item.GetAddressOf()));
            CheckItem(item.Get());
            ComPtr<IDetectedItems> older;
            ASSERT_EQ(S_OK, item->get_SupersededItems(older.GetAddressOf()));
            CheckItems(older.Get());
        }
    }

    int checkedItems = 0;

private:
    std::string Name(HRESULT (STDMETHODCALLTYPE IUpdateCatalog::*query)(LONG, BSTR*), LONG id) {
        BSTR name = nullptr;
        EXPECT_EQ(S_OK, (catalog_->*query)(id, &name)) << id;
        std::string text = Text(name);
        EXPECT_FALSE(text.empty()) << id;
        return text;
    }

    void CheckItem(IDetectedItem* item) {
        ++checkedItems;
        LONG updateId = 0, bulletinId = 0, software = 0, component = 0;
        SHORT severity = 0;
        ASSERT_EQ(S_OK, item->get_UpdateID(&updateId));
        ASSERT_EQ(S_OK, item->get_SecurityBulletinID(&bulletinId));
        ASSERT_EQ(S_OK, item->get_ImpactedSoftwareID(&software));
        ASSERT_EQ(S_OK, item->get_ImpactedComponentID(&component));
        ASSERT_EQ(S_OK, item->get_SeverityRating(&severity));
        ComPtr<ITextList> categories;
        ASSERT_EQ(S_OK, item->get_CategoryIDs(categories.GetAddressOf()));
        BSTR first = nullptr;
        ASSERT_EQ(S_OK, categories->get_Item(0, &first));
        Name(&IUpdateCatalog::GetProductName, atoi(Text(first).c_str()));
        Name(&IUpdateCatalog::GetSeverityName, severity);
        Name(&IUpdateCatalog::GetSoftwareName, software);
        Name(&IUpdateCatalog::GetSoftwareName, component);
        CheckUpdate(updateId);
        CheckBulletin(bulletinId, updateId);
    }

    void CheckUpdate(LONG updateId) {
        ComPtr<IUpdateInfo> update;
        ASSERT_EQ(S_OK, catalog_->GetUpdate(updateId, update.GetAddressOf()));
        std::string package = SamplePackage("KB" + std::to_string(updateId));
        BSTR text = nullptr;
        ASSERT_EQ(S_OK, update->get_DownloadURL(&text));
        EXPECT_EQ(package, Text(text));
        ASSERT_EQ(S_OK, update->get_CheckValue(&text));
        EXPECT_EQ(PackageChecksum(package), Text(text));
        ASSERT_EQ(S_OK, update->get_Title(&text));
        EXPECT_NE(std::string::npos, Text(text).find("(KB" + std::to_string(updateId) + ")"));
        ULONGLONG size = 0;
        ASSERT_EQ(S_OK, update->get_Size(&size));
        EXPECT_EQ(ReadFileBytes(package).size(), size);
        LONG value = 0;
        ASSERT_EQ(S_OK, update->get_RebootBehavior(&value));
        EXPECT_GE(value, zema::engine::kRebootNever);
        EXPECT_LE(value, zema::engine::kRebootMaybe);
        ASSERT_EQ(S_OK, update->get_ID(&value));
        EXPECT_EQ(updateId, value);
        ComPtr<ICatalogEntry> language;
        ASSERT_EQ(S_OK, update->get_Language(language.GetAddressOf()));
        ASSERT_EQ(S_OK, language->get_ID(&value));
        ASSERT_EQ(S_OK, language->get_Name(&text));
        EXPECT_EQ(Name(&IUpdateCatalog::GetLanguageName, value), Text(text));
    }

    void CheckBulletin(LONG bulletinId, LONG updateId) {
        ComPtr<ISecurityBulletin> bulletin;
        ASSERT_EQ(S_OK, catalog_->GetBulletin(bulletinId, bulletin.GetAddressOf()));
        LONG value = 0;
        BSTR text = nullptr;
        ASSERT_EQ(S_OK, bulletin->get_ID(&value));
        EXPECT_EQ(bulletinId, value);
        ASSERT_EQ(S_OK, bulletin->get_Name(&text));
        EXPECT_EQ(0u, Text(text).find("ZSB91-"));
        ComPtr<ITextList> articles;
        ASSERT_EQ(S_OK, bulletin->get_KnowledgeBase(articles.GetAddressOf()));
        ASSERT_EQ(S_OK, articles->get_Item(0, &text));
        EXPECT_EQ(std::to_string(updateId), Text(text));
        DATE date = 0;
        SYSTEMTIME st = {};
        ASSERT_EQ(S_OK, bulletin->get_Date(&date));
        ASSERT_TRUE(::VariantTimeToSystemTime(date, &st));
        EXPECT_EQ(2091, st.wYear);
        for (auto getter : {&ISecurityBulletin::get_Publisher, &ISecurityBulletin::get_Brief,
                            &ISecurityBulletin::get_Recommendation,
                            &ISecurityBulletin::get_Description}) {
            ASSERT_EQ(S_OK, (bulletin.Get()->*getter)(&text));
            EXPECT_FALSE(Text(text).empty());
        }
        ASSERT_EQ(S_OK, bulletin->get_WebPage(&text));
        EXPECT_EQ(0u, Text(text).find("https://"));
        ComPtr<ICatalogEntry> impact;
        ASSERT_EQ(S_OK, bulletin->get_Impact(impact.GetAddressOf()));
        ASSERT_EQ(S_OK, impact->get_ID(&value));
        ASSERT_EQ(S_OK, impact->get_Name(&text));
        EXPECT_EQ(Name(&IUpdateCatalog::GetImpactName, value), Text(text));

        ComPtr<IVulnerabilities> vulnerabilities;
        ASSERT_EQ(S_OK, bulletin->get_Vulnerabilities(vulnerabilities.GetAddressOf()));
        LONG count = 0;
        ASSERT_EQ(S_OK, vulnerabilities->get_Count(&count));
        EXPECT_GT(count, 0);
        for (LONG i = 0; i < count; ++i) {
            ComPtr<IVulnerability> v;
            ASSERT_EQ(S_OK, vulnerabilities->get_Item(i, v.GetAddressOf()));
            // The collection's objects yield their identifier first, as
            // catalog entries do.
            ComPtr<ICatalogEntry> entry;
            ASSERT_EQ(S_OK, v.As(&entry));
            ASSERT_EQ(S_OK, entry->get_ID(&value));
            ASSERT_EQ(S_OK, v->get_Name(&text));
            std::string name = Text(text);
            EXPECT_EQ(0u, name.find("CVE-2091-"));
            EXPECT_EQ(Name(&IUpdateCatalog::GetVulnerabilityName, value), name);
            ASSERT_EQ(S_OK, v->get_Description(&text));
            EXPECT_EQ(Name(&IUpdateCatalog::GetVulnerabilityDescription, value), Text(text));
        }
    }

    IUpdateCatalog* catalog_;
};

TEST_F(UpdateEngineTest, CatalogAnswersEveryNameQueryForWhatAScanReports) {
    ComPtr<IUpdateEngine> engine = OpenEngine();
    ASSERT_TRUE(engine);
    ComPtr<IUpdateCatalog> catalog = CatalogOf(engine.Get());
    ASSERT_TRUE(catalog);
    ComPtr<IScanResult> result;
    ASSERT_EQ(S_OK, engine->Scan(result.GetAddressOf()));
    ComPtr<IDetectedItems> items;
    ASSERT_EQ(S_OK, result->get_DetectedItems(items.GetAddressOf()));
    CatalogQueries queries(catalog.Get());
    queries.CheckItems(items.Get());
    EXPECT_EQ(6, queries.checkedItems);

    BSTR text = nullptr;
    EXPECT_EQ(S_OK, catalog->GetProductName(20, &text));
    EXPECT_EQ("Marrowby Office", Text(text));
    EXPECT_EQ(S_OK, catalog->GetSeverityName(4, &text));
    EXPECT_EQ("Critical", Text(text));
    EXPECT_EQ(S_OK, catalog->GetImpactName(4, &text));
    EXPECT_EQ("Denial of Service", Text(text));
    EXPECT_EQ(S_OK, catalog->GetLanguageName(1031, &text));
    EXPECT_EQ("German", Text(text));
    EXPECT_EQ(S_OK, catalog->GetSoftwareName(304, &text));
    EXPECT_EQ("Font Rendering Library", Text(text));
    EXPECT_EQ(S_OK, catalog->GetVulnerabilityName(9006, &text));
    EXPECT_EQ("CVE-2091-30412", Text(text));
    EXPECT_EQ(S_OK, catalog->GetVulnerabilityDescription(9001, &text));
    EXPECT_EQ("An elevation of privilege vulnerability exists when the Print Spooler Service "
              "improperly handles requests to install printer drivers.\r\nA local attacker who "
              "exploited it could run code with system rights.",
              Text(text));
    // The catalog describes updates no scan here reports as well.
    ComPtr<IUpdateInfo> excluded;
    EXPECT_EQ(S_OK, catalog->GetUpdate(500105, excluded.GetAddressOf()));
    engine->Close();
}

TEST_F(UpdateEngineTest, CatalogRefusesWhatTheDefinitionsLack) {
    ComPtr<IUpdateEngine> engine = OpenEngine();
    ASSERT_TRUE(engine);
    ComPtr<IUpdateCatalog> other;
    EXPECT_EQ(E_FAIL, engine->GetCatalog(1031, other.GetAddressOf()));
    EXPECT_EQ(E_POINTER, engine->GetCatalog(1033, nullptr));
    ComPtr<IUpdateCatalog> catalog = CatalogOf(engine.Get());
    ASSERT_TRUE(catalog);

    const LONG unknown = 424242;
    ComPtr<ISecurityBulletin> bulletin;
    ComPtr<IUpdateInfo> update;
    EXPECT_EQ(E_FAIL, catalog->GetBulletin(unknown, bulletin.GetAddressOf()));
    EXPECT_EQ(E_FAIL, catalog->GetUpdate(unknown, update.GetAddressOf()));
    EXPECT_FALSE(bulletin || update);
    for (auto query : {&IUpdateCatalog::GetProductName, &IUpdateCatalog::GetImpactName,
                       &IUpdateCatalog::GetLanguageName, &IUpdateCatalog::GetSeverityName,
                       &IUpdateCatalog::GetSoftwareName, &IUpdateCatalog::GetVulnerabilityName,
                       &IUpdateCatalog::GetVulnerabilityDescription}) {
        BSTR text = reinterpret_cast<BSTR>(1);
        EXPECT_EQ(E_FAIL, (catalog.Get()->*query)(unknown, &text));
        EXPECT_EQ(nullptr, text);
        EXPECT_EQ(E_POINTER, (catalog.Get()->*query)(10, nullptr));
    }
    engine->Close();
}

TEST_F(UpdateEngineTest, EveryObjectIsFreedOnceReleased) {
    win::Module dll(::LoadLibraryA(EngineDll().c_str()));
    ASSERT_TRUE(dll);
    auto getClassObject = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(::GetProcAddress(dll.Get(), "DllGetClassObject")));
    auto canUnloadNow = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(::GetProcAddress(dll.Get(), "DllCanUnloadNow")));
    ASSERT_TRUE(getClassObject && canUnloadNow);
    ASSERT_EQ(S_OK, canUnloadNow());
    {
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(S_OK, getClassObject(CLSID_UpdateEngine, IID_IClassFactory,
                                       reinterpret_cast<void**>(factory.GetAddressOf())));
        EXPECT_EQ(S_FALSE, canUnloadNow());
        ComPtr<IUpdateEngine> engine;
        ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUpdateEngine,
                                                reinterpret_cast<void**>(engine.GetAddressOf())));
        win::Bstr install(L"C:\\Program Files\\Zemaguard");
        ASSERT_EQ(S_OK, engine->Open(install.Get()));
        ComPtr<IScanResult> result;
        ComPtr<IDetectedItems> items;
        ASSERT_EQ(S_OK, engine->Scan(result.GetAddressOf()));
        ASSERT_EQ(S_OK, result->get_DetectedItems(items.GetAddressOf()));
        ComPtr<IUpdateCatalog> catalog = CatalogOf(engine.Get());
        CatalogQueries(catalog.Get()).CheckItems(items.Get());

        ComPtr<IUpdateInstaller> installer;
        ASSERT_EQ(S_OK, engine->GetInstaller(installer.GetAddressOf()));
        ComPtr<IInstallJob> job;
        ComPtr<IUpdateInfo> update;
        ASSERT_EQ(S_OK, installer->CreateInstallJob(job.GetAddressOf()));
        ASSERT_EQ(S_OK, catalog->GetUpdate(500102, update.GetAddressOf()));
        ASSERT_EQ(S_OK, job->put_Update(update.Get()));
        ComPtr<IConnectionPointContainer> container;
        ComPtr<IEnumConnectionPoints> points;
        ComPtr<IEnumConnectionPoints> copy;
        ASSERT_EQ(S_OK, installer.As(&container));
        ASSERT_EQ(S_OK, container->EnumConnectionPoints(points.GetAddressOf()));
        ASSERT_EQ(S_OK, points->Skip(1));
        ASSERT_EQ(S_OK, points->Clone(copy.GetAddressOf()));
        ComPtr<IConnectionPoint> point;
        ASSERT_EQ(S_OK, container->FindConnectionPoint(DIID_IInstallJobEvents,
                                                       point.GetAddressOf()));
        ComPtr<IEnumConnections> connections;
        ASSERT_EQ(S_OK, point->EnumConnections(connections.GetAddressOf()));
        EXPECT_EQ(S_OK, factory->LockServer(TRUE));
        EXPECT_EQ(S_OK, factory->LockServer(FALSE));
        engine->Close();
    }
    EXPECT_EQ(S_OK, canUnloadNow());
}

}  // namespace
}  // namespace updateengine_test
