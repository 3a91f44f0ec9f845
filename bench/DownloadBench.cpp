#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "HttpTransfer.h"

// Downloads a URL into a file through DownloadToFile and prints the bytes per second.
// Usage: download_bench URL PATH
int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: download_bench URL PATH\n");
        return 2;
    }
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const int result = DownloadToFile(argv[1], argv[2]);
    QueryPerformanceCounter(&end);
    if (result != 0) {
        std::fprintf(stderr, "download failed with %d\n", result);
        return 1;
    }
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(argv[2], GetFileExInfoStandard, &data);
    const double bytes = static_cast<double>(data.nFileSizeLow) +
                         static_cast<double>(data.nFileSizeHigh) * 4294967296.0;
    const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) /
                           static_cast<double>(frequency.QuadPart);
    std::printf("%.0f %.3f\n", bytes, seconds);
    DeleteFileA(argv[2]);
    return 0;
}
