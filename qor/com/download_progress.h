#pragma once
// DownloadProgress: the figures that a job's running transfer last published.

#include <atomic>
#include <cstdint>

#include "qor/com/dispatch_impl.h"
#include "qor/jobs/scheduled_job.h"
#include "qor/qor.h"
#include "win/com_object.h"

namespace qor {

class DownloadProgress final : public win::ComObject<DispatchImpl<IQORDownloadProgress>>,
                               public JobProgress,
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

    // JobProgress
    void Publish(const ProgressFigures& figures) override;
    int16_t RetriedTimes() const override { return retried_; }
    int32_t ConsumingTime() const override { return consuming_; }

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
