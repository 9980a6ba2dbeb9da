// Unpacks one package in memory several times and prints the speed in MB/s
// of unpacked output; the read from disk is not timed.
//   cpr_bench.exe PACKAGE [ROUNDS]

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "brightwick/cpr_file.h"
#include "brightwick/file_io.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: cpr_bench PACKAGE [ROUNDS]\n");
        return 2;
    }
    int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    std::string packed;
    if (!brightwick::ReadWholeFile(argv[1], packed)) {
        std::fprintf(stderr, "cpr_bench: cannot read %s\n", argv[1]);
        return 1;
    }
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    double best = 1e30;
    size_t size = 0;
    for (int i = 0; i < rounds; ++i) {
        std::string out;
        LARGE_INTEGER start, end;
        ::QueryPerformanceCounter(&start);
        bool ok = brightwick::CprFile::Unpack(reinterpret_cast<const uint8_t*>(packed.data()),
                                              packed.size(), out);
        ::QueryPerformanceCounter(&end);
        if (!ok) {
            std::fprintf(stderr, "cpr_bench: the package does not unpack\n");
            return 1;
        }
        size = out.size();
        double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
        if (seconds < best) best = seconds;
    }
    std::printf("CprFile unpack: %.1f MB in %.3f s = %.1f MB/s (best of %d)\n", size / 1048576.0,
                best, size / 1048576.0 / best, rounds);
    return 0;
}
