#pragma once
// DownloadProgress: the figures that a job's running transfer last published.

#include <atomic>
#include <cstdint>

#include "qor/com/dispatch_impl.h"
#include "qor/qor.h"
#include "win/com_object.h"

namespace qor {

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

class DownloadProgress final : public win::ComObject<DispatchImpl<IQORDownloadProgress>>,
                               private ModuleObject {
public:
    static DownloadProgress* Create();  // null when out of memory

    STDMETHODIMP get_TotalBytes(DECIMAL* value) override;
    STDMETHODIMP get_DownloadedBytes(DECIMAL* value) override;
    STDMETHODIMP get_DownloadedPercent(float* value) override;
    STDMETHODIMP get_ConsumingTime(LONG* value) override;
    STDMETHODIMP get_AverageRate(LONG* value) override;
    STDMETHODIMP get_LeftTime(LONG* value) override;
    STDMETHODIMP get_CurrentRate(LONG* value) override;
    STDMETHODIMP get_RetryLeftTime(LONG* value) override;
    STDMETHODIMP get_RetriedTimes(short* value) override;

    // Written by transfer threads and the scheduler, read without a lock.
    void Publish(const ProgressFigures& figures);
    int16_t RetriedTimes() const { return retried_; }
    int32_t ConsumingTime() const { return consuming_; }

private:
    DownloadProgress() = default;
    ~DownloadProgress() = default;

    std::atomic<uint64_t> total_{0};
    std::atomic<uint64_t> downloaded_{0};
    std::atomic<int32_t> consuming_{0};
    std::atomic<int32_t> current_{0};
    std::atomic<int32_t> retryLeft_{0};
    std::atomic<int32_t> average_{0};
    std::atomic<int16_t> retried_{0};
};

}  // namespace qor
