// Stands in for a program that Zema starts: appends its command line to
// "<its own path>.args.txt" and ends, so a test can see how it was started.

#include <windows.h>

#include <cstdio>

int main() {
    char path[MAX_PATH + 16] = {};
    DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 1;
    lstrcatA(path, ".args.txt");
    FILE* f = fopen(path, "ab");
    if (!f) return 1;
    fprintf(f, "%s\n", ::GetCommandLineA());
    fclose(f);
    return 0;
}
