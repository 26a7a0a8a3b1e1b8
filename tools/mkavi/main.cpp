// zep_mkavi OUTPUT: writes the progress page's animation. Runs at build time on the build host.
#include "AviWriter.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: zep_mkavi OUTPUT.avi\n");
        return 2;
    }
    const uint16_t probe = 1;
    unsigned char first = 0;
    std::memcpy(&first, &probe, 1);
    if (first != 1) {
        std::fprintf(stderr, "zep_mkavi: a little-endian build host is needed\n");
        return 1;
    }
    const std::vector<uint8_t> avi = WriteAvi(MakeProgressClip());
    const std::string tmp = std::string(argv[1]) + ".tmp";
    FILE* fp = std::fopen(tmp.c_str(), "wb");
    if (fp == nullptr || std::fwrite(avi.data(), 1, avi.size(), fp) != avi.size() ||
        std::fclose(fp) != 0 || std::rename(tmp.c_str(), argv[1]) != 0) {
        std::fprintf(stderr, "zep_mkavi: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
