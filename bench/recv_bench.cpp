// The floor to compare QOR's HTTP throughput with: plain blocking 8192-byte
// recv calls on N connections, each fetching one byte range of the file,
// writing nothing. With "client", the same ranges go through QOR's own
// HttpTransfer (the same reads, no portions, no file), which shows what the
// client's receive path costs by itself. With "write", each connection
// writes what it receives to its range of a file (FILE, or one in the
// temporary folder, where qor_bench saves) with plain WriteFile (no mapping,
// no flush): the baseline a download to disk is measured against.
// --read=BYTES asks for that many bytes per receive in place of 8192; the
// line printed tells how many bytes a receive brought on average.
//   recv_bench.exe [--read=BYTES] http://HOST:PORT/PATH [CONNECTIONS [client | write [FILE]]]

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "netclient/http_transfer.h"
#include "netclient/url.h"

namespace {

constexpr int kHeadReadSize = 8192;
constexpr size_t kMaxReadSize = 1 << 20;
constexpr int kMaxConnections = 16;

size_t readSize = 8192;  // set once, before any thread starts

struct Range {
    uint64_t start = 0;
    uint64_t length = 0;
    uint64_t received = 0;
    uint64_t reads = 0;
    bool ok = false;
};

// Owns one connected socket.
class Connection {
public:
    Connection(const std::string& host, uint16_t port) {
        addrinfo hints = {};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
            return;
        socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (socket_ != INVALID_SOCKET &&
            ::connect(socket_, found->ai_addr, static_cast<int>(found->ai_addrlen)) != 0) {
            ::closesocket(socket_);
            socket_ = INVALID_SOCKET;
        }
        ::freeaddrinfo(found);
    }
    ~Connection() {
        if (socket_ != INVALID_SOCKET) ::closesocket(socket_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool Ok() const { return socket_ != INVALID_SOCKET; }
    bool Send(const std::string& text) {
        return ::send(socket_, text.data(), static_cast<int>(text.size()), 0) ==
               static_cast<int>(text.size());
    }
    int Receive(char* buffer, int size) { return ::recv(socket_, buffer, size, 0); }

    // Reads up to the end of the head; `body` gets the bytes after it.
    bool ReadHead(std::string& head, std::string& body) {
        char buffer[kHeadReadSize];
        while (head.find("\r\n\r\n") == std::string::npos) {
            int n = Receive(buffer, sizeof(buffer));
            if (n <= 0 || head.size() > 65536) return false;
            head.append(buffer, static_cast<size_t>(n));
        }
        size_t end = head.find("\r\n\r\n") + 4;
        body = head.substr(end);
        head.resize(end);
        return true;
    }

private:
    SOCKET socket_ = INVALID_SOCKET;
};

std::string Request(const std::string& method, const netclient::CrackedUrl& url,
                    const std::string& range) {
    std::string r = method + " " + url.path + " HTTP/1.1\r\nHost: " + url.host +
                    "\r\nConnection: close\r\n";
    if (!range.empty()) r += "Range: bytes=" + range + "\r\n";
    return r + "\r\n";
}

uint64_t ContentLength(const std::string& head) {
    const char kName[] = "\r\ncontent-length:";
    std::string lower = head;
    for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    size_t at = lower.find(kName);
    if (at == std::string::npos) return 0;
    return _strtoui64(head.c_str() + at + sizeof(kName) - 1, nullptr, 10);
}

void FetchThroughClient(const std::string& url, Range& range) {
    netclient::TransferSettings settings;
    settings.url = url;
    netclient::HttpTransfer transfer(settings);
    if (transfer.Open(range.start) != netclient::kOpened) return;
    std::vector<char> buffer(readSize);
    while (range.received < range.length) {
        const uint64_t left = range.length - range.received;
        size_t got = 0;
        if (!transfer.Read(buffer.data(), left < readSize ? static_cast<size_t>(left) : readSize,
                           got))
            break;
        range.received += got;
        ++range.reads;
    }
    range.ok = range.received == range.length;
}

// Writes received bytes at the range's place in the file, in order.
class RangeWriter {
public:
    RangeWriter(const std::string& path, uint64_t start) {
        if (path.empty()) return;
        file_ = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(start);
        if (file_ != INVALID_HANDLE_VALUE && !::SetFilePointerEx(file_, at, nullptr, FILE_BEGIN)) {
            ::CloseHandle(file_);
            file_ = INVALID_HANDLE_VALUE;
        }
        failed_ = file_ == INVALID_HANDLE_VALUE;
    }
    ~RangeWriter() {
        if (file_ != INVALID_HANDLE_VALUE) ::CloseHandle(file_);
    }
    RangeWriter(const RangeWriter&) = delete;
    RangeWriter& operator=(const RangeWriter&) = delete;

    bool Write(const char* data, size_t size) {
        if (file_ == INVALID_HANDLE_VALUE) return !failed_;
        DWORD written = 0;
        return ::WriteFile(file_, data, static_cast<DWORD>(size), &written, nullptr) &&
               written == size;
    }

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
    bool failed_ = false;
};

void Fetch(const netclient::CrackedUrl& url, const std::string& path, Range& range) {
    RangeWriter writer(path, range.start);
    Connection c(url.host, url.port);
    const std::string bytes = std::to_string(range.start) + "-" +
                              std::to_string(range.start + range.length - 1);
    std::string head;
    std::string body;
    if (!c.Ok() || !c.Send(Request("GET", url, bytes)) || !c.ReadHead(head, body)) return;
    if (!writer.Write(body.data(), body.size())) return;
    range.received = body.size();
    std::vector<char> buffer(readSize);
    while (range.received < range.length) {
        int n = c.Receive(buffer.data(), static_cast<int>(buffer.size()));
        if (n <= 0 || !writer.Write(buffer.data(), static_cast<size_t>(n))) break;
        range.received += static_cast<uint64_t>(n);
        ++range.reads;
    }
    range.ok = range.received == range.length;
}

double Seconds100ns(const FILETIME& t) {
    return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
           1e7;
}

double ProcessCpuSeconds() {
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    return Seconds100ns(kernel) + Seconds100ns(user);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string kReadOption = "--read=";
    if (argc > 1 && std::string(argv[1]).compare(0, kReadOption.size(), kReadOption) == 0) {
        readSize = static_cast<size_t>(strtoul(argv[1] + kReadOption.size(), nullptr, 10));
        --argc;
        ++argv;
    }
    if (argc < 2 || readSize == 0 || readSize > kMaxReadSize) {
        fprintf(stderr,
                "usage: recv_bench [--read=BYTES] URL [CONNECTIONS [client | write [FILE]]]\n");
        return 2;
    }
    const int connections = argc > 2 ? atoi(argv[2]) : 1;
    const bool throughClient = argc > 3 && std::string(argv[3]) == "client";
    std::string writePath;
    if (argc > 3 && std::string(argv[3]) == "write") {
        // Beside QOR's own downloads unless told otherwise: the same disk.
        char temp[MAX_PATH + 1] = {};
        ::GetTempPathA(MAX_PATH, temp);
        writePath = argc > 4 ? std::string(argv[4])
                             : std::string(temp) + "recv_bench_" +
                                   std::to_string(::GetCurrentProcessId()) + ".bin";
    }
    netclient::CrackedUrl url;
    WSADATA wsa;
    if (connections < 1 || connections > kMaxConnections ||
        ::WSAStartup(MAKEWORD(2, 2), &wsa) != 0 || !netclient::CrackUrl(argv[1], url) ||
        url.kind != netclient::kUrlHttp) {
        fprintf(stderr, "recv_bench: bad arguments\n");
        return 2;
    }
    uint64_t total = 0;
    {
        Connection c(url.host, url.port);
        std::string head;
        std::string body;
        if (!c.Ok() || !c.Send(Request("HEAD", url, "")) || !c.ReadHead(head, body) ||
            (total = ContentLength(head)) == 0) {
            fprintf(stderr, "recv_bench: no length for %s\n", argv[1]);
            ::WSACleanup();
            return 1;
        }
    }
    std::vector<Range> ranges(static_cast<size_t>(connections));
    const uint64_t part = total / static_cast<uint64_t>(connections);
    for (int i = 0; i < connections; ++i) {
        ranges[i].start = part * static_cast<uint64_t>(i);
        ranges[i].length = i + 1 == connections ? total - ranges[i].start : part;
    }
    if (!writePath.empty()) {
        // Sized first, as QOR sizes its file before data flows.
        HANDLE file = ::CreateFileA(writePath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        LARGE_INTEGER size;
        size.QuadPart = static_cast<LONGLONG>(total);
        const bool sized = file != INVALID_HANDLE_VALUE &&
                           ::SetFilePointerEx(file, size, nullptr, FILE_BEGIN) &&
                           ::SetEndOfFile(file);
        if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
        if (!sized) {
            fprintf(stderr, "recv_bench: cannot make %s\n", writePath.c_str());
            ::WSACleanup();
            return 1;
        }
    }
    const double cpuBefore = ProcessCpuSeconds();
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    std::vector<std::thread> threads;
    const std::string whole = argv[1];
    for (Range& r : ranges) {
        if (throughClient) threads.emplace_back(FetchThroughClient, std::cref(whole), std::ref(r));
        else threads.emplace_back(Fetch, std::cref(url), std::cref(writePath), std::ref(r));
    }
    for (std::thread& t : threads) t.join();
    ::QueryPerformanceCounter(&end);
    const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) /
                           static_cast<double>(frequency.QuadPart);
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    ::WSACleanup();
    if (!writePath.empty()) ::DeleteFileA(writePath.c_str());
    for (const Range& r : ranges) {
        if (!r.ok) {
            printf("connections=%d  FAILED (range from %llu got %llu of %llu bytes)\n", connections,
                   static_cast<unsigned long long>(r.start),
                   static_cast<unsigned long long>(r.received),
                   static_cast<unsigned long long>(r.length));
            return 1;
        }
    }
    uint64_t reads = 0;
    for (const Range& r : ranges) reads += r.reads;
    const double megabytes = static_cast<double>(total) / (1024.0 * 1024.0);
    printf("%sconnections=%d  size=%.0f MB  time=%.2f s  throughput=%.1f MB/s  cpu=%.2f s "
           "(%.0f%% of one core)  read=%zu  average read=%.0f bytes\n",
           writePath.empty() ? "" : "written  ", connections, megabytes, seconds,
           megabytes / seconds, cpu, 100.0 * cpu / seconds, readSize,
           reads ? static_cast<double>(total) / static_cast<double>(reads) : 0.0);
    return 0;
}
