#include "updateengine/install_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <vector>

#include "tests/support/test_support.h"
#include "win/unique_handle.h"

namespace updateengine {
namespace {

using testing_support::PumpUntil;

InstallRequest Job(int32_t id) {
    InstallRequest r;
    r.jobId = id;
    r.packagePath = L"C:\\p" + std::to_wstring(id) + L".exe";
    return r;
}

// A runner that holds each job until the test releases it, then reports
// the outcome the test chose for that job.
class HeldRunner {
public:
    HeldRunner() : release_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

    InstallWorker::Runner Bind() {
        return [this](const InstallRequest& r, HANDLE stop, bool unattended) {
            started_.push_back(r.jobId);
            lastUnattended_ = unattended;
            running_ = r.jobId;
            HANDLE waits[] = {release_.Get(), stop};
            DWORD woke = ::WaitForMultipleObjects(2, waits, FALSE, INFINITE);
            running_ = 0;
            InstallOutcome outcome;
            outcome.result = InstallResult::Installed;
            if (woke != WAIT_OBJECT_0) {
                outcome.result = InstallResult::Abandoned;
                return outcome;
            }
            auto it = outcomes_.find(r.jobId);
            return it == outcomes_.end() ? outcome : it->second;
        };
    }
    void Release() { ::SetEvent(release_.Get()); }
    void SetOutcome(int32_t job, InstallOutcome o) { outcomes_[job] = o; }
    int32_t Running() const { return running_; }
    std::vector<int32_t> Started() const { return started_; }
    bool LastUnattended() const { return lastUnattended_; }

private:
    win::KernelHandle release_;
    std::map<int32_t, InstallOutcome> outcomes_;
    std::vector<int32_t> started_;  // written by the worker, read once it waits
    std::atomic<int32_t> running_{0};
    std::atomic<bool> lastUnattended_{false};
};

class InstallWorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        worker_ = std::make_unique<InstallWorker>([this] { ++wakes_; }, runner_.Bind());
        ASSERT_EQ(S_OK, worker_->Start());
    }

    // Collects events until `count` have arrived.
    std::vector<InstallEvent> Collect(size_t count) {
        PumpUntil(
            [&] {
                for (const InstallEvent& e : worker_->TakeEvents()) events_.push_back(e);
                return events_.size() >= count;
            },
            10000);
        return events_;
    }

    bool WaitUntilRunning(int32_t job) {
        return PumpUntil([&] { return runner_.Running() == job; }, 10000);
    }

    HeldRunner runner_;
    std::atomic<int> wakes_{0};
    std::unique_ptr<InstallWorker> worker_;
    std::vector<InstallEvent> events_;
};

std::vector<std::pair<InstallEventKind, int32_t>> Kinds(const std::vector<InstallEvent>& events) {
    std::vector<std::pair<InstallEventKind, int32_t>> kinds;
    for (const InstallEvent& e : events) kinds.emplace_back(e.kind, e.jobId);
    return kinds;
}

using K = InstallEventKind;

TEST_F(InstallWorkerTest, JobsRunOneAtATimeWithEventsInOrder) {
    InstallOutcome reboot;
    reboot.result = InstallResult::Installed;
    reboot.rebootNeeded = true;
    runner_.SetOutcome(1, reboot);
    InstallOutcome failed;
    failed.result = InstallResult::Failed;
    failed.errorCode = 1603;
    runner_.SetOutcome(2, failed);

    EXPECT_EQ(InstallWorker::QueueResult::Queued, worker_->Queue(Job(1)));
    ASSERT_TRUE(WaitUntilRunning(1));
    EXPECT_EQ(InstallWorker::QueueResult::Queued, worker_->Queue(Job(2)));
    Collect(3);
    EXPECT_EQ(std::vector<int32_t>{1}, runner_.Started());  // 2 waits for 1
    runner_.Release();
    ASSERT_TRUE(WaitUntilRunning(2));
    runner_.Release();
    std::vector<InstallEvent> events = Collect(6);
    EXPECT_EQ((std::vector<std::pair<K, int32_t>>{{K::Waiting, 1},
                                                  {K::Installing, 1},
                                                  {K::Waiting, 2},
                                                  {K::Installed, 1},
                                                  {K::Installing, 2},
                                                  {K::Failed, 2}}),
              Kinds(events));
    EXPECT_TRUE(events[3].rebootNeeded);
    EXPECT_EQ(1603, events[5].errorCode);
    EXPECT_GT(wakes_, 0);
}

TEST_F(InstallWorkerTest, CancelTakesWaitingJobsAndRefusesTheRunningOne) {
    worker_->Queue(Job(1));
    ASSERT_TRUE(WaitUntilRunning(1));
    worker_->Queue(Job(2));
    worker_->Queue(Job(3));
    EXPECT_FALSE(worker_->Cancel(1));
    EXPECT_TRUE(worker_->Cancel(2));
    EXPECT_FALSE(worker_->Cancel(2));
    EXPECT_FALSE(worker_->Cancel(99));
    runner_.Release();
    ASSERT_TRUE(WaitUntilRunning(3));
    runner_.Release();
    std::vector<InstallEvent> events = Collect(8);
    EXPECT_EQ((std::vector<std::pair<K, int32_t>>{{K::Waiting, 1},
                                                  {K::Installing, 1},
                                                  {K::Waiting, 2},
                                                  {K::Waiting, 3},
                                                  {K::Canceled, 2},
                                                  {K::Installed, 1},
                                                  {K::Installing, 3},
                                                  {K::Installed, 3}}),
              Kinds(events));
    EXPECT_EQ((std::vector<int32_t>{1, 3}), runner_.Started());
}

TEST_F(InstallWorkerTest, AJobIsQueuedOnceUntilItEnds) {
    EXPECT_EQ(InstallWorker::QueueResult::Queued, worker_->Queue(Job(1)));
    ASSERT_TRUE(WaitUntilRunning(1));
    EXPECT_EQ(InstallWorker::QueueResult::AlreadyActive, worker_->Queue(Job(1)));
    worker_->Queue(Job(2));
    EXPECT_EQ(InstallWorker::QueueResult::AlreadyActive, worker_->Queue(Job(2)));
    runner_.Release();
    ASSERT_TRUE(WaitUntilRunning(2));
    runner_.Release();
    Collect(6);
    // Finished: it may run again.
    EXPECT_EQ(InstallWorker::QueueResult::Queued, worker_->Queue(Job(1)));
    ASSERT_TRUE(WaitUntilRunning(1));
    runner_.Release();
    Collect(9);
    EXPECT_EQ((std::vector<int32_t>{1, 2, 1}), runner_.Started());
}

TEST_F(InstallWorkerTest, TheAttendanceOptionReachesTheRunner) {
    worker_->SetUnattended(false);
    worker_->Queue(Job(1));
    ASSERT_TRUE(WaitUntilRunning(1));
    EXPECT_FALSE(runner_.LastUnattended());
    runner_.Release();
    worker_->SetUnattended(true);
    worker_->Queue(Job(2));
    ASSERT_TRUE(WaitUntilRunning(2));
    EXPECT_TRUE(runner_.LastUnattended());
    runner_.Release();
}

TEST_F(InstallWorkerTest, StoppingWhileAJobRunsNeitherHangsNorReports) {
    worker_->Queue(Job(1));
    worker_->Queue(Job(2));
    ASSERT_TRUE(WaitUntilRunning(1));
    DWORD before = ::GetTickCount();
    worker_.reset();
    EXPECT_LT(::GetTickCount() - before, 5000u);
    EXPECT_EQ(std::vector<int32_t>{1}, runner_.Started());
}

}  // namespace
}  // namespace updateengine
