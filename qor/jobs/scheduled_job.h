#pragma once
// What the scheduler and a job's runs need of the job they work for: its
// settings, its state and its progress. The downloader's COM job implements
// it; the jobs hold it counted with the job's own count, so that a job lives
// for as long as they work on it.

#include <windows.h>

#include <cstdint>
#include <string>

#include "qor/qor.h"

namespace qor {

// The settings a run copies when it is prepared.
struct JobSettings {
    std::string url;
    std::string savePath;
    std::string fileName;
    std::string userName;
    std::string password;
    int32_t maxThreadCount = 1;
    int32_t retryElapse = 5000;
    int32_t timeout = 40000;
    int16_t retryTimes = 0;
    int32_t bandwidth = 0;
    bool resume = true;
    bool enableRedirect = true;
};

// One publication of a job's figures.
struct ProgressFigures {
    uint64_t totalBytes = 0;
    uint64_t downloadedBytes = 0;
    int32_t consumingTime = 0;
    int32_t currentRate = 0;
    int32_t retryLeftTime = 0;
    int32_t averageRate = 0;
    int16_t retriedTimes = 0;
};

class JobProgress {
public:
    // Written by transfer threads and the scheduler, read without a lock.
    virtual void Publish(const ProgressFigures& figures) = 0;
    virtual int16_t RetriedTimes() const = 0;
    virtual int32_t ConsumingTime() const = 0;

protected:
    ~JobProgress() = default;
};

class ScheduledJob {
public:
    // No interface of its own: the implementing object's count.
    using ComInterface = void;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

    virtual int32_t Id() const = 0;
    virtual JobSettings Settings() = 0;
    virtual DownloadJobStatus Status() const = 0;
    virtual void SetStatus(DownloadJobStatus status) = 0;
    virtual void SetReadOnly(bool readOnly) = 0;
    // Gives back the ownership that an accepted BeginDownloadJob took.
    virtual void Disown() = 0;
    virtual void SetFileLength(uint64_t length) = 0;
    virtual void SetFileName(const std::string& name) = 0;
    virtual void SetTargetPath(const std::string& path) = 0;
    virtual void SetRedirectUrl(const std::string& url) = 0;
    virtual JobProgress& Progress() = 0;

protected:
    ~ScheduledJob() = default;
};

}  // namespace qor
