#include "qor/com/download_progress.h"

#include <new>

#include "qor/com/com_util.h"
#include "qor/com/decimal_value.h"

namespace qor {

DownloadProgress* DownloadProgress::Create() { return new (std::nothrow) DownloadProgress(); }

STDMETHODIMP DownloadProgress::get_TotalBytes(DECIMAL* value) {
    return ReturnValue(ToDecimal(total_), value);
}

STDMETHODIMP DownloadProgress::get_DownloadedBytes(DECIMAL* value) {
    return ReturnValue(ToDecimal(downloaded_), value);
}

STDMETHODIMP DownloadProgress::get_DownloadedPercent(float* value) {
    if (!value) return E_POINTER;
    *value = 0.0f;
    DECIMAL total = ToDecimal(total_);
    DECIMAL done = ToDecimal(downloaded_);
    if (total.Lo64 == 0) return S_OK;
    DECIMAL fraction;
    if (SUCCEEDED(::VarDecDiv(&done, &total, &fraction))) ::VarR4FromDec(&fraction, value);
    return S_OK;
}

STDMETHODIMP DownloadProgress::get_ConsumingTime(LONG* value) {
    return ReturnValue(consuming_.load(), value);
}

STDMETHODIMP DownloadProgress::get_AverageRate(LONG* value) {
    return ReturnValue(average_.load(), value);
}

STDMETHODIMP DownloadProgress::get_LeftTime(LONG* value) {
    const int32_t average = average_;
    const uint64_t total = total_;
    const uint64_t done = downloaded_;
    if (average <= 0 || done >= total) return ReturnValue(0, value);
    return ReturnValue((total - done) * 1000 / static_cast<uint64_t>(average), value);
}

STDMETHODIMP DownloadProgress::get_CurrentRate(LONG* value) {
    const int32_t current = current_;
    return ReturnValue(current > 0 ? current : average_.load(), value);
}

STDMETHODIMP DownloadProgress::get_RetryLeftTime(LONG* value) {
    int32_t left = retryLeft_;
    if (left < 0) {
        retryLeft_ = 0;
        left = 0;
    }
    return ReturnValue(left, value);
}

STDMETHODIMP DownloadProgress::get_RetriedTimes(short* value) {
    return ReturnValue(retried_.load(), value);
}

void DownloadProgress::Publish(const ProgressFigures& figures) {
    total_ = figures.totalBytes;
    downloaded_ = figures.downloadedBytes;
    consuming_ = figures.consumingTime;
    current_ = figures.currentRate;
    retryLeft_ = figures.retryLeftTime;
    average_ = figures.averageRate;
    retried_ = figures.retriedTimes;
}

}  // namespace qor
