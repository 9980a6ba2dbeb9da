// Queueing, concurrency, retries, pause and resume, stop and the end of the
// downloader, as the events and the job states show them.

#include <olectl.h>

#include <gtest/gtest.h>

#include <random>

#include "tests/qor/qor_test_support.h"
#include "win/text.h"

namespace qor_test {
namespace {

using testing_support::PathExists;
using testing_support::PumpFor;
using testing_support::PumpUntil;
using testing_support::ReadFileBytes;

class SchedulingTest : public QorTest {};

TEST_F(SchedulingTest, TwoOfFiveRunAndTheOthersStartInTheOrderBegun) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    ASSERT_EQ(S_OK, d.object->put_ConcurrentJobCount(2));
    std::vector<win::ComPtr<IQORDownloadJob>> jobs;
    std::vector<LONG> ids;
    // The second job runs long, so that each later job starts alone when
    // the one before it completes.
    for (int i = 0; i < 5; ++i) {
        std::string name = "f" + std::to_string(i) + ".bin";
        auto job = d.NewJob(Source(name, i == 1 ? 120000 : 9000, static_cast<uint32_t>(i + 1)),
                            save_, name);
        job->put_Bandwidth(40000);
        jobs.push_back(job);
        ids.push_back(IdOf(job.Get()));
    }
    int running = 0;
    int most = 0;
    std::vector<LONG> begun;
    d.sink->hook = [&](const Event& e) {
        if (e.id == kBegin) {
            begun.push_back(e.job);
            most = std::max(most, ++running);
        } else if (e.id == kCompleted || e.id == kError || e.id == kCanceled) {
            --running;
        }
    };
    for (auto& job : jobs) ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
    ASSERT_TRUE(PumpUntil(
        [&] {
            for (LONG id : ids)
                if (!d.sink->Has(id, kCompleted)) return false;
            return true;
        },
        60000));
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(1u, d.sink->Count(ids[i], kCompleted));
        EXPECT_EQ(i >= 2 ? 1u : 0u, d.sink->Count(ids[i], kWaiting));
        std::string name = "f" + std::to_string(i) + ".bin";
        EXPECT_TRUE(ReadFileBytes(folder_.File(name)) == ReadFileBytes(save_ + "\\" + name));
    }
    ASSERT_EQ(5u, begun.size());
    // The first two start in one step; the others one by one, in order.
    EXPECT_EQ((std::vector<LONG>{std::min(ids[0], ids[1]), std::max(ids[0], ids[1])}),
              (std::vector<LONG>{std::min(begun[0], begun[1]), std::max(begun[0], begun[1])}));
    EXPECT_EQ(std::vector<LONG>(ids.begin() + 2, ids.end()),
              std::vector<LONG>(begun.begin() + 2, begun.end()));
    EXPECT_EQ(2, most);
    // A waiting job keeps its status until it starts.
    EXPECT_EQ(qorjsCompleted, StatusOf(jobs[4].Get()));
}

TEST_F(SchedulingTest, RetriesWaitThenFailAndRetriedTimesCountsThem) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    auto job = d.NewJob(folder_.File("absent.bin"), save_);
    const LONG id = IdOf(job.Get());
    job->put_RetryTimes(3);
    job->put_RetryElapse(300);
    std::vector<short> retriedAtWait;
    std::vector<DownloadJobStatus> statusAtWait;
    d.sink->hook = [&](const Event& e) {
        if (e.job == id && e.id == kWaitingForRetry) {
            retriedAtWait.push_back(RetriedTimes(job.Get()));
            statusAtWait.push_back(StatusOf(job.Get()));
        }
    };
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
    ASSERT_TRUE(WaitForEvent(d, id, kError, 30000));
    const std::vector<DISPID> expected = {kBegin, kWaitingForRetry, kWaiting, kBegin,
                                          kWaitingForRetry, kWaiting, kBegin, kWaitingForRetry,
                                          kWaiting, kBegin, kError};
    EXPECT_EQ(expected, d.sink->IdsFor(id));
    EXPECT_EQ((std::vector<short>{1, 2, 3}), retriedAtWait);
    EXPECT_EQ(qorjsFailed, StatusOf(job.Get()));
    EXPECT_EQ(3, RetriedTimes(job.Get()));
    EXPECT_EQ(-1, d.sink->For(id).back().code);
    // The retry waits lasted at least RetryElapse each.
    std::vector<Event> events = d.sink->For(id);
    for (size_t i = 0; i + 1 < events.size(); ++i) {
        if (events[i].id != kWaitingForRetry) continue;
        size_t next = i + 1;
        while (next < events.size() && events[next].id == kInProgress) ++next;
        ASSERT_LT(next, events.size());
        EXPECT_EQ(kWaiting, events[next].id);
        EXPECT_GE(events[next].tick - events[i].tick, 250u);
    }

    // Begun again, the same job has its retries used up.
    d.sink->events.clear();
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
    ASSERT_TRUE(WaitForEvent(d, id, kError, 10000));
    EXPECT_EQ((std::vector<DISPID>{kBegin, kError}), d.sink->IdsFor(id));
    // A new job gets all three.
    auto fresh = d.NewJob(folder_.File("absent.bin"), save_);
    fresh->put_RetryTimes(3);
    fresh->put_RetryElapse(100);
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(fresh.Get()));
    ASSERT_TRUE(WaitForEvent(d, IdOf(fresh.Get()), kError, 30000));
    EXPECT_EQ(3u, d.sink->Count(IdOf(fresh.Get()), kWaitingForRetry));
}

TEST_F(SchedulingTest, JobWithoutRetriesFailsAtTheFirstFailedAttempt) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    auto job = d.NewJob(folder_.File("absent.bin"), save_);
    const LONG id = IdOf(job.Get());
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
    ASSERT_TRUE(WaitForEvent(d, id, kError, 10000));
    EXPECT_EQ((std::vector<DISPID>{kBegin, kError}), d.sink->IdsFor(id));
    EXPECT_FALSE(IsReadOnly(job.Get()));
}

TEST_F(SchedulingTest, ProgressGoesOnDuringARetryWaitAndRetryLeftTimeCountsDown) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    auto job = d.NewJob(folder_.File("absent.bin"), save_);
    const LONG id = IdOf(job.Get());
    job->put_RetryTimes(1);
    job->put_RetryElapse(3500);
    win::ComPtr<IQORDownloadProgress> progress;
    job->get_DownloadProgress(progress.GetAddressOf());
    std::vector<LONG> left;
    d.sink->hook = [&](const Event& e) {
        if (e.job == id && e.id == kInProgress && StatusOf(job.Get()) == qorjsWaitingForRetry) {
            LONG value = -1;
            progress->get_RetryLeftTime(&value);
            left.push_back(value);
        }
    };
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
    ASSERT_TRUE(WaitForEvent(d, id, kWaiting, 15000));
    ASSERT_GE(left.size(), 2u);
    for (size_t i = 0; i < left.size(); ++i) {
        EXPECT_GE(left[i], 0);
        EXPECT_LE(left[i], 3500);
        if (i > 0) {
            EXPECT_LT(left[i], left[i - 1]);
        }
    }
    ASSERT_TRUE(WaitForEvent(d, id, kError, 15000));
}

TEST_F(SchedulingTest, StoppingAJobThatWaitsForARetryCancelsIt) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    auto job = d.NewJob(folder_.File("absent.bin"), save_);
    const LONG id = IdOf(job.Get());
    job->put_RetryTimes(3);
    job->put_RetryElapse(60000);
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
    ASSERT_TRUE(WaitForEvent(d, id, kWaitingForRetry, 10000));
    EXPECT_EQ(qorjsWaitingForRetry, StatusOf(job.Get()));
    ASSERT_EQ(S_OK, d.object->StopDownloadJob(id));
    ASSERT_TRUE(WaitForEvent(d, id, kCanceled, 10000));
    EXPECT_EQ(qorjsCanceled, StatusOf(job.Get()));
    PumpFor(1500);
    EXPECT_EQ((std::vector<DISPID>{kBegin, kWaitingForRetry, kCanceled}), d.sink->IdsFor(id));
    // No longer owned: it may be begun again.
    EXPECT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
}

TEST_F(SchedulingTest, PausedJobMovesNoDataUntilResumed) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    const std::string source = Source("p.bin", 90000);
    const std::string url = source;
    auto job = d.NewJob(url, save_, "p.bin");
    const LONG id = IdOf(job.Get());
    job->put_Bandwidth(30000);
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
    ASSERT_TRUE(WaitForEvent(d, id, kReadData, 10000));
    PumpFor(800);
    ASSERT_EQ(S_OK, d.object->PauseDownloadJob(id));
    ASSERT_TRUE(WaitForEvent(d, id, kPaused, 5000));
    EXPECT_EQ(qorjsPaused, StatusOf(job.Get()));
    EXPECT_TRUE(IsReadOnly(job.Get()));
    PumpFor(400);
    const std::string data = DataPath(save_, url);
    const std::string before = ReadFileBytes(data);
    const size_t progressBefore = d.sink->Count(id, kInProgress);
    PumpFor(2000);
    EXPECT_TRUE(before == ReadFileBytes(data)) << "data flowed while paused";
    EXPECT_EQ(progressBefore, d.sink->Count(id, kInProgress));
    // Pausing again, or pausing a job that is not running, does nothing.
    ASSERT_EQ(S_OK, d.object->PauseDownloadJob(id));
    ASSERT_EQ(S_OK, d.object->PauseDownloadJob(id + 100000));
    PumpFor(300);
    EXPECT_EQ(1u, d.sink->Count(id, kPaused));

    const size_t eventsBefore = d.sink->events.size();
    ASSERT_EQ(S_OK, d.object->ResumeDownloadJob(id));
    PumpFor(100);
    EXPECT_EQ(qorjsDownloading, StatusOf(job.Get()));
    ASSERT_TRUE(WaitForEvent(d, id, kCompleted, 20000));
    // Resuming fires nothing of its own: only progress until the end.
    for (size_t i = eventsBefore; i + 1 < d.sink->events.size(); ++i)
        EXPECT_EQ(kInProgress, d.sink->events[i].id);
    EXPECT_TRUE(ReadFileBytes(source) == ReadFileBytes(save_ + "\\p.bin"));
    // The pause is not counted as time spent.
    win::ComPtr<IQORDownloadProgress> progress;
    job->get_DownloadProgress(progress.GetAddressOf());
    LONG consumed = 0;
    progress->get_ConsumingTime(&consumed);
    const std::vector<Event> events = d.sink->For(id);
    const DWORD wall = events.back().tick - events.front().tick;
    EXPECT_LT(static_cast<DWORD>(consumed), wall - 1500);
}

TEST_F(SchedulingTest, StoppingARunningJobCancelsItAndKeepsItsResumeRecord) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    const std::string source = Source("s.bin", 200000);
    auto job = d.NewJob(source, save_, "s.bin");
    const LONG id = IdOf(job.Get());
    job->put_Bandwidth(40000);
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
    ASSERT_TRUE(WaitForEvent(d, id, kInProgress, 10000));
    ASSERT_EQ(S_OK, d.object->StopDownloadJob(id));
    ASSERT_TRUE(WaitForEvent(d, id, kCanceled, 10000));
    PumpFor(600);
    EXPECT_EQ(qorjsCanceled, StatusOf(job.Get()));
    EXPECT_FALSE(d.sink->Has(id, kCompleted));
    EXPECT_TRUE(PathExists(ControlPath(save_, source)));
    EXPECT_FALSE(PathExists(save_ + "\\s.bin"));
    // Stopping it again does nothing.
    const size_t count = d.sink->events.size();
    ASSERT_EQ(S_OK, d.object->StopDownloadJob(id));
    PumpFor(500);
    EXPECT_EQ(count, d.sink->events.size());
}

TEST_F(SchedulingTest, DestroyingTheDownloaderCancelsRunningJobsWithoutEvents) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    ASSERT_EQ(S_OK, d.object->put_ConcurrentJobCount(1));
    const std::string source = Source("x.bin", 300000);
    auto running = d.NewJob(source, save_, "x.bin");
    running->put_Bandwidth(30000);
    auto queued = d.NewJob(Source("y.bin", 1000, 2), save_, "y.bin");
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(running.Get()));
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(queued.Get()));
    ASSERT_TRUE(WaitForEvent(d, IdOf(running.Get()), kReadData, 10000));
    ASSERT_TRUE(WaitForEvent(d, IdOf(queued.Get()), kWaiting, 10000));
    win::ComPtr<EventSink> sink = d.sink;
    const size_t count = sink->events.size();
    d.object.Reset();  // the last reference: the sink stays advised
    PumpFor(1500);
    EXPECT_EQ(count, sink->events.size());
    EXPECT_EQ(qorjsCanceled, StatusOf(running.Get()));
    EXPECT_FALSE(IsReadOnly(running.Get()));
    EXPECT_EQ(qorjsReady, StatusOf(queued.Get()));
    EXPECT_TRUE(PathExists(ControlPath(save_, source)));
    EXPECT_FALSE(PathExists(save_ + "\\x.bin"));
}

TEST_F(SchedulingTest, EventsReachEverySinkAndStopAtUnadvise) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    win::ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(S_OK, d.object.As(&container));
    win::ComPtr<IConnectionPoint> point;
    ASSERT_EQ(S_OK, container->FindConnectionPoint(DIID__IQORDownloadJobEvents,
                                                   point.GetAddressOf()));
    win::ComPtr<IConnectionPoint> none;
    EXPECT_EQ(CONNECT_E_NOCONNECTION,
              container->FindConnectionPoint(IID_IQORDownloader, none.GetAddressOf()));
    IID iid = GUID_NULL;
    ASSERT_EQ(S_OK, point->GetConnectionInterface(&iid));
    EXPECT_EQ(DIID__IQORDownloadJobEvents, iid);
    auto second = win::TakeOwnership(new EventSink());
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, point->Advise(second.Get(), &cookie));
    win::ComPtr<IEnumConnections> connections;
    ASSERT_EQ(S_OK, point->EnumConnections(connections.GetAddressOf()));
    CONNECTDATA data[3] = {};
    ULONG fetched = 0;
    connections->Next(3, data, &fetched);
    EXPECT_EQ(2u, fetched);
    for (ULONG i = 0; i < fetched; ++i) data[i].pUnk->Release();

    auto job = d.NewJob(Source("e.bin", 5000), save_);
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
    ASSERT_TRUE(WaitForEvent(d, IdOf(job.Get()), kCompleted, 10000));
    EXPECT_EQ(d.sink->IdsFor(IdOf(job.Get())), second->IdsFor(IdOf(job.Get())));

    ASSERT_EQ(S_OK, point->Unadvise(cookie));
    EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(cookie));
    const size_t before = second->events.size();
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
    ASSERT_TRUE(WaitForEvent(d, IdOf(job.Get()), kCompleted, 10000, 2));
    EXPECT_EQ(before, second->events.size());
}

// Jobs begun together and started in one scheduling step, and jobs that
// waited for a slot: once a run has ended, the job may be begun again.
TEST_F(SchedulingTest, JobsThatCompletedCanBeBegunAgain) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    ASSERT_EQ(S_OK, d.object->put_ConcurrentJobCount(2));
    std::vector<win::ComPtr<IQORDownloadJob>> jobs;
    for (uint32_t i = 0; i < 3; ++i) {
        const std::string name = "again" + std::to_string(i) + ".bin";
        jobs.push_back(d.NewJob(Source(name, 20000, i + 1), save_, name));
    }
    for (auto& job : jobs) ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
    for (size_t runs = 1; runs <= 2; ++runs) {
        for (auto& job : jobs) ASSERT_TRUE(WaitForEvent(d, IdOf(job.Get()), kCompleted, 20000, runs));
        // The second job first, as a caller who fetches it again would.
        for (size_t i : {1, 0, 2}) {
            SCOPED_TRACE(i);
            EXPECT_EQ(qorjsCompleted, StatusOf(jobs[i].Get()));
            ASSERT_EQ(S_OK, d.object->BeginDownloadJob(jobs[i].Get()));
        }
    }
    for (auto& job : jobs) ASSERT_TRUE(WaitForEvent(d, IdOf(job.Get()), kCompleted, 20000, 3));
}

// Begin, stop, pause, resume and limit changes at random: a job whose run
// has ended (its end event came) is never refused, and every job completes
// byte for byte when begun once more at the end.
TEST_F(SchedulingTest, RandomScheduleNeverStrandsAnEndedJob) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    constexpr size_t kJobs = 5;
    constexpr int kSteps = 120;
    std::vector<win::ComPtr<IQORDownloadJob>> jobs;
    std::vector<std::string> sources;
    std::vector<size_t> begun(kJobs, 0);
    for (uint32_t i = 0; i < kJobs; ++i) {
        const std::string name = "r" + std::to_string(i) + ".bin";
        sources.push_back(Source(name, 40000 + 30000 * i, i + 7));
        jobs.push_back(d.NewJob(sources.back(), save_, name));
        jobs.back()->put_MaxThreadCount(1 + static_cast<LONG>(i % 3));
    }
    auto ends = [&](size_t i) {
        const LONG id = IdOf(jobs[i].Get());
        return d.sink->Count(id, kCompleted) + d.sink->Count(id, kError) +
               d.sink->Count(id, kCanceled);
    };
    for (uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        for (int step = 0; step < kSteps; ++step) {
            const size_t i = random() % kJobs;
            const LONG id = IdOf(jobs[i].Get());
            switch (random() % 6) {
            case 0:
            case 1: {
                // Slow enough that stops and pauses meet runs midway.
                jobs[i]->put_Bandwidth(random() % 2 ? 0 : 200000);
                const bool ended = ends(i) == begun[i];
                const HRESULT hr = d.object->BeginDownloadJob(jobs[i].Get());
                if (ended) {
                    ASSERT_EQ(S_OK, hr) << "job " << i << " refused at step " << step
                                        << ", status " << StatusOf(jobs[i].Get());
                }
                if (hr == S_OK) ++begun[i];
                break;
            }
            case 2: ASSERT_EQ(S_OK, d.object->StopDownloadJob(id)); break;
            case 3: ASSERT_EQ(S_OK, d.object->PauseDownloadJob(id)); break;
            case 4: ASSERT_EQ(S_OK, d.object->ResumeDownloadJob(id)); break;
            case 5: ASSERT_EQ(S_OK, d.object->put_ConcurrentJobCount(1 + random() % 3)); break;
            }
            PumpFor(random() % 40);
        }
        for (size_t i = 0; i < kJobs; ++i) {
            ASSERT_EQ(S_OK, d.object->ResumeDownloadJob(IdOf(jobs[i].Get())));
            ASSERT_EQ(S_OK, d.object->StopDownloadJob(IdOf(jobs[i].Get())));
        }
        ASSERT_TRUE(PumpUntil(
            [&] {
                for (size_t i = 0; i < kJobs; ++i)
                    if (ends(i) != begun[i]) return false;
                return true;
            },
            20000))
            << "a begun run never ended";
    }
    ASSERT_EQ(S_OK, d.object->put_ConcurrentJobCount(kJobs));
    for (size_t i = 0; i < kJobs; ++i) {
        SCOPED_TRACE(i);
        jobs[i]->put_Bandwidth(0);
        const size_t completed = d.sink->Count(IdOf(jobs[i].Get()), kCompleted);
        ASSERT_EQ(S_OK, d.object->BeginDownloadJob(jobs[i].Get()));
        ASSERT_TRUE(WaitForEvent(d, IdOf(jobs[i].Get()), kCompleted, 20000, completed + 1));
        const std::string name = "r" + std::to_string(i) + ".bin";
        EXPECT_TRUE(ReadFileBytes(sources[i]) == ReadFileBytes(save_ + "\\" + name));
    }
}

}  // namespace
}  // namespace qor_test
