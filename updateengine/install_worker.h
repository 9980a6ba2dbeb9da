#pragma once
// The installer's worker thread: runs queued packages one at a time and
// collects, in order, the events the installer fires on its own thread.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

#include "updateengine/package_runner.h"
#include "win/unique_handle.h"

namespace updateengine {

enum class InstallEventKind {
    Waiting,
    Installing,
    Installed,
    Failed,
    Canceled,
};

struct InstallEvent {
    InstallEventKind kind = InstallEventKind::Waiting;
    int32_t jobId = 0;
    bool rebootNeeded = false;  // Installed
    int32_t errorCode = 0;      // Failed
};

class InstallWorker {
public:
    enum class QueueResult { Queued, AlreadyActive };
    // Runs one job on the worker thread; must return promptly once the stop
    // event is set (PackageRunner abandons the package then).
    using Runner = std::function<InstallOutcome(const InstallRequest& request, HANDLE stopEvent,
                                                bool unattended)>;

    // `wake` is called, from any thread and without a lock held, whenever
    // new events wait to be taken.
    explicit InstallWorker(std::function<void()> wake, Runner runner = RunPackage);
    // Stops the thread; a package still running is left to finish alone.
    ~InstallWorker();
    InstallWorker(const InstallWorker&) = delete;
    InstallWorker& operator=(const InstallWorker&) = delete;

    HRESULT Start();
    // A job already waiting or running is left as it is.
    QueueResult Queue(InstallRequest request);
    // True when the job was waiting and is now canceled; a running or
    // unknown job is refused.
    bool Cancel(int32_t jobId);
    std::deque<InstallEvent> TakeEvents();
    void SetUnattended(bool unattended) { unattended_ = unattended; }

private:
    static InstallOutcome RunPackage(const InstallRequest& request, HANDLE stopEvent,
                                     bool unattended);
    static DWORD WINAPI ThreadMain(void* self);
    void Work();
    // Called with the lock held.
    void Post(InstallEventKind kind, int32_t jobId);

    std::function<void()> wake_;
    Runner runner_;
    std::mutex lock_;  // guards waiting_, running_ and events_
    std::deque<InstallRequest> waiting_;
    int32_t running_ = 0;
    std::deque<InstallEvent> events_;
    std::atomic<bool> unattended_{true};
    win::KernelHandle stop_;
    win::KernelHandle work_;
    win::KernelHandle thread_;
};

}  // namespace updateengine
