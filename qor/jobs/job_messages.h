#pragma once
// The private window messages between the downloader, the scheduler, the
// transfer threads and the event window. lParam carries the job ID; messages
// from a run's own threads also carry the run's serial in lParam's upper 32
// bits, so that the scheduler can tell a finished run's late messages apart.

#include <windows.h>

#include <cstdint>

namespace qor {

constexpr UINT JM_BEGIN = 0x801;
constexpr UINT JM_COMPLETED = 0x802;
constexpr UINT JM_WAITING = 0x803;
constexpr UINT JM_CANCELED = 0x804;
constexpr UINT JM_PAUSED = 0x805;
constexpr UINT JM_ERROR = 0x806;
constexpr UINT JM_PROGRESS = 0x807;
constexpr UINT JM_RETRY_WAIT = 0x809;
constexpr UINT JM_READ_DATA = 0x80A;
constexpr UINT JM_APPEND = 0x80B;
constexpr UINT JM_STOP = 0x80C;
constexpr UINT JM_PAUSE = 0x80D;
constexpr UINT JM_RESUME = 0x80E;
constexpr UINT JM_RETRY_DUE = 0x80F;
constexpr UINT JM_SETTINGS = 0x810;
constexpr UINT JM_READY = 0x811;
constexpr UINT JM_TICK = 0x812;

inline LPARAM MakeJobParam(int32_t id, uint32_t serial = 0) {
    return static_cast<LPARAM>((static_cast<uint64_t>(serial) << 32) |
                               static_cast<uint32_t>(id));
}
inline int32_t JobIdOf(LPARAM param) {
    return static_cast<int32_t>(static_cast<uint64_t>(param) & 0xFFFFFFFF);
}
inline uint32_t RunSerialOf(LPARAM param) {
    return static_cast<uint32_t>(static_cast<uint64_t>(param) >> 32);
}

}  // namespace qor
