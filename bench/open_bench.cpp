// How long one open of an address takes through QOR's own client: connect,
// then for https the TLS handshake and the certificate check, then the
// request and the answer's head. The first open of a process also loads
// what TLS needs; the ones after it show the cost of each new connection.
//   open_bench.exe URL [ROUNDS]

#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "netclient/http_transfer.h"

namespace {

constexpr int kDefaultRounds = 25;

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: open_bench URL [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::max(2, atoi(argv[2])) : kDefaultRounds;
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        netclient::TransferSettings settings;
        settings.url = argv[1];
        netclient::HttpTransfer transfer(settings);
        LARGE_INTEGER start, end;
        ::QueryPerformanceCounter(&start);
        const int opened = transfer.Open(0);
        ::QueryPerformanceCounter(&end);
        if (opened != netclient::kOpened) {
            printf("open FAILED (%d, TLS failure %d)\n", opened,
                   static_cast<int>(transfer.LastTlsFailure()));
            return 1;
        }
        times.push_back(Milliseconds(start, end));
        transfer.Close();
    }
    const double first = times.front();
    std::vector<double> later(times.begin() + 1, times.end());
    std::sort(later.begin(), later.end());
    printf("open: first %.1f ms, then median %.1f ms (min %.1f, max %.1f) over %d opens\n",
           first, later[later.size() / 2], later.front(), later.back(),
           static_cast<int>(later.size()));
    return 0;
}
