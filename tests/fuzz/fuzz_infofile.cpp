// The information-file parser on arbitrary text, read as ZEPINFO.txt and as TargetInfo.txt, with
// every accessor and the row helpers the other parts call.
#include "zepParse.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

void EveryAccessor(zepParse& p) {
    std::string s, a, b, c, d, e, f;
    std::vector<std::string> v;
    std::vector<int> ints;
    int n = 0, m = 0, k = 0, l = 0;
    long lo = 0, hi = 0;
    yesno_type yn = DEF_ERROR_VALUE;
    p.getTgmName(s);
    p.getModelName(s);
    p.getModelName(v);
    p.getDriverName(v);
    p.getDeviceIDModelName(v);
    p.getPort(v);
    p.getPortNo(n);
    p.getEnterTime(n);
    p.getExitTime(n);
    p.getUpdateTime(n);
    p.getUseVORQ(yn);
    p.getNeedEnterOperation(yn);
    p.getNeedExitOparetion(yn);
    p.getAllowVersionDown(yn);
    p.getSpecialCmdPattern(yn);
    p.getUseDriverOnly(yn);
    p.getProductName(s);
    p.getDefaltIPAddress(s);
    // Indexes past the last row end each walk; a bound keeps a hostile file from making it long.
    for (unsigned i = 0; i < 64 && p.getVersion(i, a, b, c, d, e, f); ++i) {
    }
    for (unsigned i = 0; i < 64 && p.getDispFirmVersion(i, a, b); ++i) {
    }
    for (unsigned i = 0; i < 64 && p.getZepBindVersion(i, a, b); ++i) {
    }
    for (unsigned i = 0; i < 64 && p.getTargetInfoVersion(i, a, b); ++i) {
    }
    for (int sub = 0; sub <= 5; ++sub) {
        p.getPlatformVersion(sub, n, m, k, l);
        p.getPlatformVersion(sub, lo, hi);
    }
    p.getMaxPacket(n);
    p.getSupportCommand(ints);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    for (loadFile_type type : {ZEP_INFO_FILETYPE, TARGET_INFO_FILETYPE}) {
        zepParse p;
        std::string copy = text;
        if (!p.loadData(&copy[0], copy.size(), type))
            continue;
        EveryAccessor(p);
        // The row and field helpers on the text itself.
        std::string row = p.getNextRowData(text);
        p.getSeparatePoint(row);
        p.isSeparator(row.substr(0, 1));
        p.removeDoubleQuot(row);
        p.removeWhiteSpace(row);
        p.getNumberBeforeString(row);
        int major = 0, minor = 0;
        p.getExtVersion(row, major, minor);
    }
    return 0;
}
