#pragma once
// The update engine's COM interfaces: what Zema calls to scan the machine,
// to describe what the scan found and to install packages.
//
// The engine is an in-process server (ThreadingModel Apartment, no proxies):
// every thread that uses it initialises COM as a single-threaded apartment,
// creates and opens its own instance, and closes it before the last release.
// Identifiers, tags and job identifiers are 32-bit; on x64 a tag carries a
// handle, never an address.
//
// Results: S_OK; E_POINTER for a null out pointer; E_FAIL for an unknown
// identifier, a wrong state or a refused request. Texts are handed out as
// new BSTRs (an empty text too) that the caller frees.

#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>
#include <winerror.h>

// One GUID literal gives both the IID constant and __uuidof(type).
#define ZE_DECLARE_IID(prefix, type, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
    inline constexpr IID prefix##type = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}};   \
    __CRT_UUID_DECL(type, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8)

struct IScanResult;
struct IDetectedItems;
struct IDetectedItem;
struct ITextList;
struct ICatalogEntry;
struct IVulnerability;
struct IVulnerabilities;
struct IUpdateCatalog;
struct IUpdateInfo;
struct ISecurityBulletin;
struct IUpdateInstaller;
struct IInstallJob;

// The engine class ("UpdateEngine", in UpdateEngine.dll).
inline constexpr CLSID CLSID_UpdateEngine = {
    0x5b291e06, 0x63f1, 0x430b, {0xbc, 0xd8, 0x22, 0x9c, 0xc4, 0xae, 0xb4, 0x11}};

// The main interface.
struct IUpdateEngine : public IUnknown {
    // Examines this machine; synchronous, on the calling thread.
    virtual HRESULT STDMETHODCALLTYPE Scan(IScanResult** result) = 0;
    // Names and details of everything a scan can report, in a language the
    // definitions carry (1033).
    virtual HRESULT STDMETHODCALLTYPE GetCatalog(LONG language, IUpdateCatalog** catalog) = 0;
    // Loads the definitions. A failure leaves the engine unusable.
    virtual HRESULT STDMETHODCALLTYPE Open(BSTR installFolder) = 0;
    // Called before the last release; objects handed out stay usable.
    virtual HRESULT STDMETHODCALLTYPE Close() = 0;
    // A new installer whose events fire on the calling thread.
    virtual HRESULT STDMETHODCALLTYPE GetInstaller(IUpdateInstaller** installer) = 0;
};
ZE_DECLARE_IID(IID_, IUpdateEngine, 0xc03753fd, 0xfa04, 0x4987, 0xb7, 0x49, 0xa0, 0x19, 0x3b,
               0x50, 0xd4, 0xf9)

struct IScanResult : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_DetectedItems(IDetectedItems** items) = 0;
};
ZE_DECLARE_IID(IID_, IScanResult, 0xa39437dd, 0xeb49, 0x490f, 0x93, 0x27, 0xc7, 0xaf, 0x8e, 0xac,
               0x98, 0x2d)

struct IDetectedItems : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* count) = 0;
    // 0-based; E_FAIL outside the collection.
    virtual HRESULT STDMETHODCALLTYPE get_Item(LONG index, IDetectedItem** item) = 0;
};
ZE_DECLARE_IID(IID_, IDetectedItems, 0x0c628bde, 0x83aa, 0x4e87, 0x87, 0xf5, 0x4d, 0xda, 0x72,
               0xb4, 0x02, 0xc6)

// One vulnerability (update point) of a missing update.
struct IDetectedItem : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_ID(LONG* id) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_UpdateID(LONG* updateId) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SecurityBulletinID(LONG* bulletinId) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SeverityRating(SHORT* rating) = 0;
    // The older points this one replaces whose updates are missing too.
    virtual HRESULT STDMETHODCALLTYPE get_SupersededItems(IDetectedItems** items) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ImpactedSoftwareID(LONG* softwareId) = 0;
    // 0 when the point names no component.
    virtual HRESULT STDMETHODCALLTYPE get_ImpactedComponentID(LONG* componentId) = 0;
    // Decimal texts; the first is the product.
    virtual HRESULT STDMETHODCALLTYPE get_CategoryIDs(ITextList** categories) = 0;
};
ZE_DECLARE_IID(IID_, IDetectedItem, 0x1078a4e1, 0x689f, 0x4c19, 0xbe, 0xcf, 0x80, 0xe6, 0xeb,
               0x7e, 0x23, 0x1e)

struct ITextList : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Item(LONG index, BSTR* text) = 0;
};
ZE_DECLARE_IID(IID_, ITextList, 0x3d8acb48, 0x88d8, 0x465c, 0x8a, 0x9c, 0xe7, 0x54, 0x84, 0xae,
               0x0d, 0x4b)

// A language or an impact: the identifier first, then its name.
struct ICatalogEntry : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_ID(LONG* id) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) = 0;
};
ZE_DECLARE_IID(IID_, ICatalogEntry, 0x86db3179, 0xeb4d, 0x4c3c, 0x94, 0x56, 0xb8, 0x84, 0x4b,
               0x32, 0x1b, 0xca)

// The name is the CVE identifier.
struct IVulnerability : public ICatalogEntry {
    virtual HRESULT STDMETHODCALLTYPE get_Description(BSTR* description) = 0;
};
ZE_DECLARE_IID(IID_, IVulnerability, 0xdd72d5ba, 0x69ce, 0x4772, 0x9d, 0xd9, 0xee, 0x19, 0xde,
               0x53, 0x73, 0x5d)

struct IVulnerabilities : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Item(LONG index, IVulnerability** item) = 0;
};
ZE_DECLARE_IID(IID_, IVulnerabilities, 0x87c22806, 0xc518, 0x44c9, 0xa0, 0x35, 0xa6, 0x57, 0x1e,
               0x7f, 0xc3, 0xe4)

// Look-ups by identifier; E_FAIL for an identifier the definitions lack.
struct IUpdateCatalog : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetBulletin(LONG bulletinId,
                                                  ISecurityBulletin** bulletin) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetUpdate(LONG updateId, IUpdateInfo** update) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetProductName(LONG productId, BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetImpactName(LONG impactId, BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLanguageName(LONG languageId, BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSeverityName(LONG rating, BSTR* name) = 0;
    // Impacted software and impacted components share one table.
    virtual HRESULT STDMETHODCALLTYPE GetSoftwareName(LONG softwareId, BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVulnerabilityName(LONG vulnerabilityId, BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVulnerabilityDescription(LONG vulnerabilityId,
                                                                  BSTR* description) = 0;
};
ZE_DECLARE_IID(IID_, IUpdateCatalog, 0xa788e92c, 0xb36b, 0x4822, 0x8c, 0x82, 0xb8, 0x07, 0x42,
               0x29, 0x77, 0x91)

struct IUpdateInfo : public IUnknown {
    // Its last path element, "\" read as "/", names the package file.
    virtual HRESULT STDMETHODCALLTYPE get_DownloadURL(BSTR* address) = 0;
    // The package's checksum: 16 upper-case hexadecimal digits.
    virtual HRESULT STDMETHODCALLTYPE get_CheckValue(BSTR* checkValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Language(ICatalogEntry** language) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Title(BSTR* title) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Size(ULONGLONG* bytes) = 0;
    // One of RebootBehavior.
    virtual HRESULT STDMETHODCALLTYPE get_RebootBehavior(LONG* behavior) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ID(LONG* updateId) = 0;
};
ZE_DECLARE_IID(IID_, IUpdateInfo, 0x8ac012b4, 0x4556, 0x47ee, 0x9d, 0x8c, 0x2e, 0xab, 0x0c, 0xb7,
               0xb4, 0xd8)

struct ISecurityBulletin : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Impact(ICatalogEntry** impact) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Vulnerabilities(IVulnerabilities** vulnerabilities) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ID(LONG* bulletinId) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_KnowledgeBase(ITextList** articles) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Date(DATE* published) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Publisher(BSTR* publisher) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Brief(BSTR* brief) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Recommendation(BSTR* recommendation) = 0;
    // Paragraphs are separated by "\r\n".
    virtual HRESULT STDMETHODCALLTYPE get_Description(BSTR* description) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_WebPage(BSTR* address) = 0;
};
ZE_DECLARE_IID(IID_, ISecurityBulletin, 0xda0e4360, 0x1b30, 0x4548, 0x9a, 0x4e, 0x22, 0xe0, 0x1d,
               0xcb, 0x7b, 0xe7)

// Runs install jobs one at a time on its own worker thread and reports them
// through IInstallJobEvents on the thread that created it (which must
// dispatch its messages). Its connection point container offers that one
// outgoing interface.
struct IUpdateInstaller : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateInstallJob(IInstallJob** job) = 0;
    // Queues a job of this installer that has a package path and an update
    // the definitions know; E_FAIL refuses it. S_FALSE: already waiting or
    // running. A finished job may be queued again.
    virtual HRESULT STDMETHODCALLTYPE QueueJob(IInstallJob* job) = 0;
    // Cancels a waiting job (the canceled event follows). A running job, or
    // one that is not waiting, is refused with E_FAIL.
    virtual HRESULT STDMETHODCALLTYPE CancelJob(LONG jobId) = 0;
    // One of InstallerOption.
    virtual HRESULT STDMETHODCALLTYPE SetOption(LONG option) = 0;
};
ZE_DECLARE_IID(IID_, IUpdateInstaller, 0x08bb4835, 0xd808, 0x4926, 0xb3, 0xf7, 0x1d, 0xc4, 0x94,
               0xd3, 0xd4, 0x9e)

struct IInstallJob : public IUnknown {
    // One of InstallMode.
    virtual HRESULT STDMETHODCALLTYPE SetMode(LONG mode) = 0;
    // The caller's own 32-bit value; the engine only keeps it.
    virtual HRESULT STDMETHODCALLTYPE get_Tag(LONG* tag) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Tag(LONG tag) = 0;
    // Positive and unique among the process's live jobs.
    virtual HRESULT STDMETHODCALLTYPE get_ID(LONG* jobId) = 0;
    // Full path of the downloaded package.
    virtual HRESULT STDMETHODCALLTYPE get_PackagePath(BSTR* path) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_PackagePath(BSTR path) = 0;
    // The catalog's information of the update the package installs.
    virtual HRESULT STDMETHODCALLTYPE get_Update(IUpdateInfo** update) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Update(IUpdateInfo* update) = 0;
};
ZE_DECLARE_IID(IID_, IInstallJob, 0xb775a402, 0x7358, 0x4f7d, 0xaf, 0x6a, 0x60, 0xd8, 0x73, 0xb0,
               0x65, 0xfa)

// Installation events, a dispatch interface: the installer calls
// IDispatch::Invoke (DISPATCH_METHOD) on each advised sink with these dispids
// and arguments. A sink may implement IDispatch only. For one job the order
// is waiting, installing, then exactly one of installed, failed, canceled;
// a job canceled while waiting skips installing.
struct IInstallJobEvents : public IDispatch {};
ZE_DECLARE_IID(DIID_, IInstallJobEvents, 0x8953ed5b, 0xd6c3, 0x4444, 0xa5, 0x34, 0x56, 0x1f, 0x5f,
               0x1d, 0xbe, 0xb5)

namespace zema::engine {

// The language Zema asks the catalog for.
constexpr LONG kCatalogLanguage = 1033;

enum InstallJobEventId : DISPID {
    kEventInstalling = 1,  // (LONG jobId)
    kEventWaiting = 2,     // (LONG jobId)
    kEventInstalled = 3,   // (LONG jobId, VARIANT_BOOL rebootNeeded)
    kEventFailed = 4,      // (LONG jobId, LONG errorCode)
    kEventCanceled = 5,    // (LONG jobId)
};

enum RebootBehavior : LONG {
    kRebootNever = 1,
    kRebootAlways = 2,
    kRebootMaybe = 3,
};

enum InstallMode : LONG {
    kInstallModeInstall = 1,  // the default of a new job
};

enum InstallerOption : LONG {
    kInstallerAttended = 0,    // packages may show their windows
    kInstallerUnattended = 1,  // packages run hidden (the default)
};

// Error codes of the failed event besides a package's own exit code.
constexpr LONG kInstallErrorChecksumMismatch = static_cast<LONG>(CRYPT_E_HASH_VALUE);
// A missing or unreadable package, or one that could not be started, fails
// with HRESULT_FROM_WIN32 of the system's error.

}  // namespace zema::engine
