#include "qor/jobs/control_file.h"

#include <algorithm>
#include <cstring>

#include "netclient/file_checksum.h"
#include "win/unique_handle.h"

namespace qor {
namespace {

constexpr size_t kChecksumSize = 16;
constexpr size_t kKeySize = 16;

void Put64(std::string& out, size_t at, uint64_t value) {
    for (int i = 0; i < 8; ++i) out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void Put32(std::string& out, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

uint64_t Get64(const std::string& in, size_t at) {
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(in[at + i]);
    return value;
}

uint32_t Get32(const std::string& in, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(in[at + i]);
    return value;
}

}  // namespace

uint32_t ControlFile::AverageRate(uint64_t doneSum, uint32_t consumingTime) {
    if (consumingTime == 0) return 0;
    return static_cast<uint32_t>((doneSum / consumingTime) * 1000);
}

std::string ControlFile::Serialize(const ControlRecord& record) {
    if (record.portions.size() > kMaxPortions) return std::string();
    std::string out(kHeaderSize + kPortionSize * record.portions.size(), '\0');
    Put64(out, 16, record.total);
    Put64(out, 24, record.doneSum);
    Put32(out, 32, record.dataTime.dwLowDateTime);
    Put32(out, 36, record.dataTime.dwHighDateTime);
    Put32(out, 40, record.consumingTime);
    Put32(out, 44, record.averageRate);
    Put32(out, 48, static_cast<uint32_t>(record.portions.size()));
    memcpy(&out[52], record.urlKey.data(), std::min(record.urlKey.size(), kKeySize));
    size_t at = kHeaderSize;
    for (const PortionRecord& p : record.portions) {
        Put64(out, at, p.start);
        Put64(out, at + 8, p.length);
        Put64(out, at + 16, p.done);
        at += kPortionSize;
    }
    std::string sum = netclient::FileChecksum::OfBuffer(out.data() + 16, out.size() - 16);
    memcpy(&out[0], sum.data(), kChecksumSize);
    return out;
}

bool ControlFile::Parse(const std::string& bytes, ControlRecord& record) {
    record = ControlRecord();
    if (bytes.size() < kHeaderSize || bytes.size() > kMaxSize) return false;
    const uint32_t count = Get32(bytes, 48);
    // The count must describe exactly the bytes present, never more.
    if (count > kMaxPortions || bytes.size() != kHeaderSize + kPortionSize * count) return false;
    std::string sum = netclient::FileChecksum::OfBuffer(bytes.data() + 16, bytes.size() - 16);
    if (bytes.compare(0, kChecksumSize, sum) != 0) return false;
    record.total = Get64(bytes, 16);
    record.doneSum = Get64(bytes, 24);
    record.dataTime.dwLowDateTime = Get32(bytes, 32);
    record.dataTime.dwHighDateTime = Get32(bytes, 36);
    record.consumingTime = Get32(bytes, 40);
    record.averageRate = Get32(bytes, 44);
    record.urlKey.assign(bytes, 52, kKeySize);
    size_t at = kHeaderSize;
    for (uint32_t i = 0; i < count; ++i, at += kPortionSize) {
        PortionRecord p;
        p.start = Get64(bytes, at);
        p.length = Get64(bytes, at + 8);
        p.done = Get64(bytes, at + 16);
        record.portions.push_back(p);
    }
    // Portions that would write outside the file or over each other are
    // never trusted, whatever the checksum says.
    std::vector<PortionRecord> sorted = record.portions;
    std::sort(sorted.begin(), sorted.end(),
              [](const PortionRecord& a, const PortionRecord& b) { return a.start < b.start; });
    uint64_t end = 0;
    uint64_t doneSum = 0;
    for (const PortionRecord& p : sorted) {
        if (p.start % kBlockSize != 0 || p.start < end || p.done > p.length ||
            p.length > record.total || p.start > record.total - p.length)
            return false;
        if (p.length == 0 && record.total != 0) return false;
        end = p.start + p.length;
        doneSum += p.done;
    }
    return doneSum == record.doneSum;
}

bool ControlFile::Read(const std::string& path, std::string& bytes) {
    bytes.clear();
    win::FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file || !::GetFileSizeEx(file.Get(), &size)) return false;
    if (size.QuadPart < static_cast<LONGLONG>(kHeaderSize) ||
        size.QuadPart > static_cast<LONGLONG>(kMaxSize))
        return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!::ReadFile(file.Get(), &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr) ||
        got != bytes.size()) {
        bytes.clear();
        return false;
    }
    return true;
}

bool ControlFile::WriteReplacing(const std::string& path, const std::string& bytes) {
    const std::string aside = AsidePath(path);
    {
        ::SetFileAttributesA(aside.c_str(), FILE_ATTRIBUTE_NORMAL);
        win::FileHandle file(::CreateFileA(aside.c_str(), GENERIC_WRITE, 0, nullptr,
                                           CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_HIDDEN, nullptr));
        if (!file) return false;
        DWORD written = 0;
        if (!::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                         nullptr) ||
            written != bytes.size() || !::FlushFileBuffers(file.Get())) {
            file.Reset();
            ::DeleteFileA(aside.c_str());
            return false;
        }
    }
    if (!::MoveFileExA(aside.c_str(), path.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileA(aside.c_str());
        return false;
    }
    return true;
}

void ControlFile::Delete(const std::string& path) {
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(path.c_str());
    ::SetFileAttributesA(AsidePath(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(AsidePath(path).c_str());
}

}  // namespace qor
