#pragma once
// The environment of the engine's COM tests: UpdateEngine.dll registered in
// the test prefix, the product key's VDFPath pointing at the definitions the
// test chooses, and the sample packages' markers cleared. Everything is put
// back as it was when the test ends.

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/test_support.h"
#include "win/com.h"
#include "zema/engine/update_engine.h"

namespace updateengine_test {

using testing_support::RegistryKeySnapshot;

std::string EngineDll();
// The engine's class key under HKEY_LOCAL_MACHINE.
std::string EngineClassKey();
// regsvr32 with the arguments and the engine's path; its exit code.
int RunRegsvr32(const std::string& arguments);

struct RecordedEvent {
    DISPID id = 0;
    LONG jobId = 0;
    LONG errorCode = 0;
    bool rebootNeeded = false;
    DWORD thread = 0;
    bool wellFormed = true;
};

// An installation event sink that answers IDispatch only.
class EventSink : public IDispatch {
public:
    static win::ComPtr<EventSink> Create();

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*,
                        EXCEPINFO*, UINT*) override;

    std::vector<RecordedEvent> events;
    // Called after each event is recorded.
    std::function<void(const RecordedEvent&)> onEvent;
    // Events of one job, in order.
    std::vector<RecordedEvent> Of(LONG jobId) const;
    // Pumps messages until the job has ended (installed, failed or canceled).
    bool WaitForEnd(LONG jobId, DWORD timeoutMs = 30000);

private:
    EventSink() = default;
    virtual ~EventSink() = default;
    LONG references_ = 1;
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Points VDFPath at a folder.
    void UseDefinitions(const std::string& folder);
    // A definitions folder holding this catalog text.
    std::string WriteDefinitions(const std::string& catalogXml);
    win::ComPtr<IUpdateEngine> OpenEngine();
    win::ComPtr<IUpdateCatalog> CatalogOf(IUpdateEngine* engine);
    // The detected items' IDs, each followed by its superseded IDs in
    // brackets: "700105[700101]".
    std::vector<std::string> ScanIds();
    bool MarkerExists(const std::string& update) const;

    win::ComInit com_;
    testing_support::TempFolder folder_;
    std::unique_ptr<RegistryKeySnapshot> product_;
    std::unique_ptr<RegistryKeySnapshot> markers_;
    // A registration made before the test (the demo's) comes back after it.
    std::unique_ptr<RegistryKeySnapshot> classKey_;
    std::unique_ptr<RegistryKeySnapshot> serverKey_;
};

}  // namespace updateengine_test
