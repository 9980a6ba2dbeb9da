#include "qor/com/job_table.h"

#include <mutex>
#include <unordered_map>

namespace qor {
namespace {

constexpr int32_t kLargestId = 0x7FFFFFFF;

std::mutex g_lock;
std::unordered_map<int32_t, DownloadJob*> g_jobs;
int32_t g_next = 1;

}  // namespace

int32_t JobTable::Add(DownloadJob* job) {
    std::lock_guard<std::mutex> guard(g_lock);
    for (int64_t tries = 0; tries < kLargestId; ++tries) {
        int32_t id = g_next;
        g_next = g_next == kLargestId ? 1 : g_next + 1;
        if (g_jobs.emplace(id, job).second) return id;
    }
    return 0;
}

void JobTable::Remove(int32_t id) {
    std::lock_guard<std::mutex> guard(g_lock);
    g_jobs.erase(id);
}

DownloadJob* JobTable::FindLocked(int32_t id) {
    auto it = g_jobs.find(id);
    return it == g_jobs.end() ? nullptr : it->second;
}

void JobTable::LockTable() { g_lock.lock(); }
void JobTable::UnlockTable() { g_lock.unlock(); }

}  // namespace qor
