// The downloader's COM objects through the registered server: defaults,
// property rules, and the checks of the downloader's methods.

#include <gtest/gtest.h>

#include "tests/qor/qor_test_support.h"
#include "win/text.h"

namespace qor_test {
namespace {

using testing_support::PathExists;
using testing_support::PumpFor;
using testing_support::ReadFileBytes;

class ObjectModelTest : public QorTest {};

TEST_F(ObjectModelTest, CreateDownloadJobNeedsInitializeAndInitializeTwiceSucceeds) {
    win::ComPtr<IQORDownloader> d;
    ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_QORDownloader, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_PPV_ARGS(d.GetAddressOf())));
    win::ComPtr<IQORDownloadJob> job;
    EXPECT_EQ(E_FAIL, d->CreateDownloadJob(job.GetAddressOf()));
    EXPECT_EQ(nullptr, job.Get());
    EXPECT_EQ(S_OK, d->Initialize(win::ToBstr("C:\\first\\ ").Get()));
    EXPECT_EQ(S_OK, d->Initialize(win::ToBstr("C:\\second").Get()));
    EXPECT_EQ(S_OK, d->CreateDownloadJob(job.GetAddressOf()));
    ASSERT_NE(nullptr, job.Get());
}

TEST_F(ObjectModelTest, NewJobCarriesTheDefaults) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    win::ComPtr<IQORDownloadJob> job;
    ASSERT_EQ(S_OK, d.object->CreateDownloadJob(job.GetAddressOf()));
    EXPECT_EQ("", GetString(job.Get(), &IQORDownloadJob::get_DownloadURL));
    EXPECT_EQ("", GetString(job.Get(), &IQORDownloadJob::get_SavePath));
    EXPECT_EQ("", GetString(job.Get(), &IQORDownloadJob::get_FileName));
    EXPECT_EQ("", GetString(job.Get(), &IQORDownloadJob::get_ServerUserName));
    EXPECT_EQ("", GetString(job.Get(), &IQORDownloadJob::get_ServerPassword));
    EXPECT_EQ("", GetString(job.Get(), &IQORDownloadJob::get_RedirectURL));
    DECIMAL length;
    memset(&length, 0xFF, sizeof(length));
    EXPECT_EQ(S_OK, job->get_FileLength(&length));
    EXPECT_EQ(0u, length.Lo64);
    EXPECT_EQ(0u, length.Hi32);
    EXPECT_EQ(0, length.scale);
    EXPECT_EQ(0, length.sign);
    LONG value = -7;
    job->get_MaxThreadCount(&value);
    EXPECT_EQ(1, value);
    job->get_RetryElapse(&value);
    EXPECT_EQ(5000, value);
    job->get_Timeout(&value);
    EXPECT_EQ(40000, value);
    job->get_Bandwidth(&value);
    EXPECT_EQ(0, value);
    job->get_Cookie(&value);
    EXPECT_EQ(0, value);
    short retries = -1;
    job->get_RetryTimes(&retries);
    EXPECT_EQ(0, retries);
    VARIANT_BOOL flag = VARIANT_FALSE;
    job->get_ResumeBreakpoint(&flag);
    EXPECT_EQ(VARIANT_TRUE, flag);
    job->get_EnableRedirect(&flag);
    EXPECT_EQ(VARIANT_TRUE, flag);
    job->get_ReadOnly(&flag);
    EXPECT_EQ(VARIANT_FALSE, flag);
    EXPECT_EQ(qorjsReady, StatusOf(job.Get()));
    EXPECT_NE(0, IdOf(job.Get()));

    win::ComPtr<IQORDownloadProgress> first;
    win::ComPtr<IQORDownloadProgress> second;
    ASSERT_EQ(S_OK, job->get_DownloadProgress(first.GetAddressOf()));
    ASSERT_EQ(S_OK, job->get_DownloadProgress(second.GetAddressOf()));
    EXPECT_EQ(first.Get(), second.Get());
    float percent = -1;
    EXPECT_EQ(S_OK, first->get_DownloadedPercent(&percent));
    EXPECT_EQ(0.0f, percent);
    first->get_LeftTime(&value);
    EXPECT_EQ(0, value);
    first->get_RetryLeftTime(&value);
    EXPECT_EQ(0, value);
    win::Bstr md5;
    EXPECT_EQ(E_FAIL, job->get_MD5(md5.Put()));
}

TEST_F(ObjectModelTest, JobIdsAreUniqueAmongLiveJobs) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    std::vector<win::ComPtr<IQORDownloadJob>> jobs;
    std::vector<LONG> ids;
    for (int i = 0; i < 50; ++i) {
        jobs.push_back(d.NewJob("file:///c:/x", save_));
        ids.push_back(IdOf(jobs.back().Get()));
        EXPECT_GT(ids.back(), 0);
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids.end(), std::adjacent_find(ids.begin(), ids.end()));
}

TEST_F(ObjectModelTest, ProxyServerTypeIEMakesAddressAndPortReadOnly) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    win::ComPtr<IQORProxyServer> proxy;
    ASSERT_EQ(S_OK, d.object->CreateProxyServer(proxy.GetAddressOf()));
    ProxyServerType type = qorpstSocks5;
    short port = -1;
    VARIANT_BOOL readOnly = VARIANT_TRUE;
    proxy->get_Type(&type);
    proxy->get_Port(&port);
    proxy->get_ReadOnly(&readOnly);
    EXPECT_EQ(qorpstNone, type);
    EXPECT_EQ(0, port);
    EXPECT_EQ(VARIANT_FALSE, readOnly);

    EXPECT_EQ(S_OK, proxy->put_Address(win::ToBstr("proxy.example").Get()));
    EXPECT_EQ(S_OK, proxy->put_Port(8080));
    EXPECT_EQ(S_OK, proxy->put_Type(qorpstIE));
    proxy->get_ReadOnly(&readOnly);
    EXPECT_EQ(VARIANT_TRUE, readOnly);
    EXPECT_EQ(E_FAIL, proxy->put_Address(win::ToBstr("other").Get()));
    EXPECT_EQ(E_FAIL, proxy->put_Port(1));
    EXPECT_EQ(S_OK, proxy->put_UserName(win::ToBstr("user").Get()));
    EXPECT_EQ(S_OK, proxy->put_Password(win::ToBstr("secret").Get()));
    win::Bstr text;
    proxy->get_Address(text.Put());
    EXPECT_EQ("proxy.example", Text(text.Get()));
    proxy->get_Port(&port);
    EXPECT_EQ(8080, port);
    proxy->get_UserName(text.Put());
    EXPECT_EQ("user", Text(text.Get()));

    EXPECT_EQ(S_OK, proxy->put_Type(qorpstHttp));
    proxy->get_ReadOnly(&readOnly);
    EXPECT_EQ(VARIANT_FALSE, readOnly);
    EXPECT_EQ(S_OK, proxy->put_Address(win::ToBstr("other").Get()));
    EXPECT_EQ(S_OK, proxy->put_Port(3128));
}

TEST_F(ObjectModelTest, DownloaderProxyPropertiesHoldTheObjectSet) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    win::ComPtr<IQORProxyServer> got;
    EXPECT_EQ(E_FAIL, d.object->get_HttpProxyServer(got.GetAddressOf()));
    EXPECT_EQ(nullptr, got.Get());
    EXPECT_EQ(E_FAIL, d.object->get_FtpProxyServer(got.GetAddressOf()));
    win::ComPtr<IQORProxyServer> proxy;
    ASSERT_EQ(S_OK, d.object->CreateProxyServer(proxy.GetAddressOf()));
    EXPECT_EQ(S_OK, d.object->put_HttpProxyServer(proxy.Get()));
    ASSERT_EQ(S_OK, d.object->get_HttpProxyServer(got.GetAddressOf()));
    EXPECT_EQ(proxy.Get(), got.Get());
    EXPECT_EQ(E_FAIL, d.object->get_FtpProxyServer(got.ReleaseAndGetAddressOf()));
    EXPECT_EQ(S_OK, d.object->put_HttpProxyServer(nullptr));
    EXPECT_EQ(E_FAIL, d.object->get_HttpProxyServer(got.ReleaseAndGetAddressOf()));
    LONG count = 0;
    d.object->get_ConcurrentJobCount(&count);
    EXPECT_EQ(1, count);
    EXPECT_EQ(S_OK, d.object->put_ConcurrentJobCount(-3));
    d.object->get_ConcurrentJobCount(&count);
    EXPECT_EQ(-3, count);
}

TEST_F(ObjectModelTest, UnsupportedSchemesAreRefusedWithoutEvents) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    auto gopher = d.NewJob("gopher://127.0.0.1/file.bin", save_);
    auto mail = d.NewJob("mailto:someone@example.com", save_);
    auto empty = d.NewJob("", save_);
    EXPECT_EQ(E_FAIL, d.object->BeginDownloadJob(gopher.Get()));
    EXPECT_EQ(E_FAIL, d.object->BeginDownloadJob(mail.Get()));
    EXPECT_EQ(E_FAIL, d.object->BeginDownloadJob(empty.Get()));
    PumpFor(500);
    EXPECT_TRUE(d.sink->events.empty());
    EXPECT_EQ(qorjsReady, StatusOf(gopher.Get()));
}

TEST_F(ObjectModelTest, ZeroConcurrencyHoldsJobsAndTheQueueRefusesAJobTwice) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    std::string source = Source("a.bin", 3000);
    ASSERT_EQ(S_OK, d.object->put_ConcurrentJobCount(0));
    auto job = d.NewJob(source, save_, "a.bin");
    const LONG id = IdOf(job.Get());
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
    EXPECT_EQ(E_FAIL, d.object->BeginDownloadJob(job.Get()));
    ASSERT_TRUE(WaitForEvent(d, id, kWaiting, 5000));
    PumpFor(700);
    EXPECT_FALSE(d.sink->Has(id, kBegin));
    EXPECT_EQ(qorjsReady, StatusOf(job.Get()));

    // A raised limit is used at the next scheduling step.
    ASSERT_EQ(S_OK, d.object->put_ConcurrentJobCount(1));
    auto second = d.NewJob(Source("b.bin", 2000, 2), save_, "b.bin");
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(second.Get()));
    ASSERT_TRUE(WaitForEvent(d, id, kCompleted, 10000));
    ASSERT_TRUE(WaitForEvent(d, IdOf(second.Get()), kCompleted, 10000));
    EXPECT_TRUE(ReadFileBytes(source) == ReadFileBytes(save_ + "\\a.bin"));
}

TEST_F(ObjectModelTest, StoppingAQueuedJobCancelsItWithoutABegin) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    ASSERT_EQ(S_OK, d.object->put_ConcurrentJobCount(0));
    auto job = d.NewJob(Source("a.bin", 1000), save_);
    const LONG id = IdOf(job.Get());
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
    ASSERT_EQ(S_OK, d.object->StopDownloadJob(id));
    ASSERT_TRUE(WaitForEvent(d, id, kCanceled, 5000));
    PumpFor(500);
    EXPECT_FALSE(d.sink->Has(id, kBegin));
    // Canceled is the last word, whenever the queue had reported it waiting.
    EXPECT_EQ(kCanceled, d.sink->IdsFor(id).back());
    EXPECT_EQ(qorjsReady, StatusOf(job.Get()));
    // It left the queue: it can be begun again.
    EXPECT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
}

TEST_F(ObjectModelTest, CompletedJobReportsSizeMd5AndCanBeBegunAgain) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    std::string source = Source("data.bin", 200000);
    auto job = d.NewJob(source, save_);  // the name comes from the URL
    const LONG id = IdOf(job.Get());
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
    ASSERT_TRUE(WaitForEnd(d, id, 20000));
    ASSERT_TRUE(d.sink->Has(id, kCompleted)) << "no completion";
    EXPECT_EQ(qorjsCompleted, StatusOf(job.Get()));
    EXPECT_EQ("data.bin", GetString(job.Get(), &IQORDownloadJob::get_FileName));
    EXPECT_TRUE(ReadFileBytes(source) == ReadFileBytes(save_ + "\\data.bin"));
    DECIMAL length = {};
    job->get_FileLength(&length);
    EXPECT_EQ(200000u, length.Lo64);

    win::ComPtr<IQORDownloadProgress> progress;
    job->get_DownloadProgress(progress.GetAddressOf());
    float percent = 0;
    progress->get_DownloadedPercent(&percent);
    EXPECT_EQ(1.0f, percent);
    EXPECT_EQ(200000u, Total(job.Get()));

    win::Bstr md5;
    ASSERT_EQ(S_OK, job->get_MD5(md5.Put()));
    EXPECT_EQ(CryptoMd5(source).substr(0, 16), Text(md5.Get()));

    const std::vector<DISPID> expected = {kBegin, kReadData, kCompleted};
    EXPECT_EQ(expected, d.sink->IdsFor(id));
    EXPECT_EQ(0, d.sink->malformedCalls);

    // Completed jobs may be begun again; the second run fetches afresh.
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
    ASSERT_TRUE(WaitForEvent(d, id, kCompleted, 20000, 2));
    EXPECT_TRUE(ReadFileBytes(source) == ReadFileBytes(save_ + "\\data.bin"));
}

TEST_F(ObjectModelTest, RunningJobIsReadOnlyAndRefusesASecondBegin) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    auto job = d.NewJob(Source("slow.bin", 60000), save_, "slow.bin");
    const LONG id = IdOf(job.Get());
    job->put_Bandwidth(20000);
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
    ASSERT_TRUE(WaitForEvent(d, id, kReadData, 10000));
    EXPECT_TRUE(IsReadOnly(job.Get()));
    EXPECT_EQ(qorjsDownloading, StatusOf(job.Get()));
    EXPECT_EQ(E_FAIL, job->put_DownloadURL(win::ToBstr("file:///c:/other").Get()));
    EXPECT_EQ(E_FAIL, job->put_Bandwidth(0));
    EXPECT_EQ(E_FAIL, job->put_MaxThreadCount(3));
    EXPECT_EQ(E_FAIL, job->put_ResumeBreakpoint(VARIANT_FALSE));
    EXPECT_EQ(E_FAIL, d.object->BeginDownloadJob(job.Get()));
    LONG bandwidth = 0;
    job->get_Bandwidth(&bandwidth);
    EXPECT_EQ(20000, bandwidth);
    EXPECT_NE("file:///c:/other", GetString(job.Get(), &IQORDownloadJob::get_DownloadURL));
    win::Bstr md5;
    EXPECT_EQ(E_FAIL, job->get_MD5(md5.Put()));

    ASSERT_EQ(S_OK, d.object->StopDownloadJob(id));
    ASSERT_TRUE(WaitForEvent(d, id, kCanceled, 10000));
    EXPECT_EQ(qorjsCanceled, StatusOf(job.Get()));
    EXPECT_FALSE(IsReadOnly(job.Get()));
    EXPECT_EQ(S_OK, job->put_Bandwidth(0));
}

TEST_F(ObjectModelTest, DownloadedPercentIsZeroBeforeTheSizeIsKnown) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    auto job = d.NewJob(folder_.File("missing.bin"), save_);
    const LONG id = IdOf(job.Get());
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
    ASSERT_TRUE(WaitForEvent(d, id, kError, 10000));
    EXPECT_EQ(-1, d.sink->For(id).back().code);
    win::ComPtr<IQORDownloadProgress> progress;
    job->get_DownloadProgress(progress.GetAddressOf());
    float percent = -1;
    progress->get_DownloadedPercent(&percent);
    EXPECT_EQ(0.0f, percent);
    EXPECT_EQ(qorjsFailed, StatusOf(job.Get()));
}

TEST_F(ObjectModelTest, DispatchInvokesPropertiesByName) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    win::ComPtr<IDispatch> dispatch;
    ASSERT_EQ(S_OK, d.object.As(&dispatch));
    LPOLESTR name = const_cast<LPOLESTR>(L"ConcurrentJobCount");
    DISPID id = 0;
    ASSERT_EQ(S_OK, dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0x409, &id));
    EXPECT_EQ(5, id);
    VARIANT arg;
    ::VariantInit(&arg);
    arg.vt = VT_I4;
    arg.lVal = 4;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS put = {&arg, &named, 1, 1};
    ASSERT_EQ(S_OK, dispatch->Invoke(id, IID_NULL, 0x409, DISPATCH_PROPERTYPUT, &put, nullptr,
                                     nullptr, nullptr));
    win::Variant result;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    ASSERT_EQ(S_OK, dispatch->Invoke(id, IID_NULL, 0x409, DISPATCH_PROPERTYGET, &none,
                                     result.Get(), nullptr, nullptr));
    EXPECT_EQ(VT_I4, result.Get()->vt);
    EXPECT_EQ(4, result.Get()->lVal);
    UINT count = 0;
    EXPECT_EQ(S_OK, dispatch->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    EXPECT_EQ(E_POINTER, dispatch->GetTypeInfoCount(nullptr));

    win::ComPtr<IProvideClassInfo2> info;
    ASSERT_EQ(S_OK, d.object.As(&info));
    GUID source = GUID_NULL;
    ASSERT_EQ(S_OK, info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source));
    EXPECT_EQ(DIID__IQORDownloadJobEvents, source);
    win::ComPtr<ITypeInfo> classInfo;
    ASSERT_EQ(S_OK, info->GetClassInfo(classInfo.GetAddressOf()));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, classInfo->GetTypeAttr(&attr));
    EXPECT_EQ(CLSID_QORDownloader, attr->guid);
    EXPECT_EQ(TKIND_COCLASS, attr->typekind);
    classInfo->ReleaseTypeAttr(attr);
}

}  // namespace
}  // namespace qor_test
