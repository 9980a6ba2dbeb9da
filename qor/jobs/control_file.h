#pragma once
// ControlFile: the resume record beside a run's DataFile.
//
// Layout (little-endian, 72 + 24 * n bytes, at most 8192):
//   0  16  checksum of bytes 16..end (FileChecksum text, no terminator)
//   16  8  total length          24  8  sum of done counts
//   32  8  DataFile time         40  4  consuming time, ms
//   44  4  average rate          48  4  n, the portion count
//   52 16  URL key               68  4  zero
//   72     n * (start 8, length 8, done 8)

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "qor/jobs/portion_table.h"

namespace qor {

struct ControlRecord {
    uint64_t total = 0;
    uint64_t doneSum = 0;
    FILETIME dataTime = {0, 0};
    uint32_t consumingTime = 0;
    uint32_t averageRate = 0;
    std::string urlKey;
    std::vector<PortionRecord> portions;
};

class ControlFile {
public:
    static constexpr size_t kHeaderSize = 72;
    static constexpr size_t kPortionSize = 24;
    static constexpr size_t kMaxSize = 8192;
    static constexpr size_t kMaxPortions = (kMaxSize - kHeaderSize) / kPortionSize;

    // The record's bytes; empty when it holds too many portions.
    static std::string Serialize(const ControlRecord& record);
    // False for anything that is not a whole, consistent record: a wrong
    // size, a size that does not match its portion count, a bad checksum,
    // or portions that do not fit the total without overlapping.
    static bool Parse(const std::string& bytes, ControlRecord& record);

    // Reads the file whole; false when missing, too short or too long.
    static bool Read(const std::string& path, std::string& bytes);
    // Writes the record beside the file, then moves it over the old one, so
    // that a crash leaves either the old record or the new one.
    static bool WriteReplacing(const std::string& path, const std::string& bytes);
    // Removes the record and any half-written one beside it.
    static void Delete(const std::string& path);
    static std::string AsidePath(const std::string& path) { return path + "~"; }

    // (done sum / consuming time, truncated) * 1000; 0 when the time is 0.
    static uint32_t AverageRate(uint64_t doneSum, uint32_t consumingTime);
};

}  // namespace qor
