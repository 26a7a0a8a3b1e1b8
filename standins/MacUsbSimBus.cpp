// Reading the simulated bus description.
#include "MacUsbSimBus.h"

#include "MakerUsb.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <set>

namespace {

bool ParseNumber(const std::string& text, unsigned long max, unsigned long& value) {
    if (text.empty())
        return false;
    const char* p = text.c_str();
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        p += 2;
    }
    char* end = nullptr;
    errno = 0;
    const unsigned long v = std::strtoul(p, &end, base);
    if (errno != 0 || end == p || *end != '\0' || *p == '-' || *p == '+' || v > max)
        return false;
    value = v;
    return true;
}

bool ParseTcp(const std::string& text, SimUsbPrinter& printer) {
    const size_t colon = text.rfind(':');
    unsigned long port = 0;
    if (colon == std::string::npos || colon == 0 ||
        !ParseNumber(text.substr(colon + 1), 65535, port) || port == 0)
        return false;
    printer.strTcpHost = text.substr(0, colon);
    printer.wTcpPort = static_cast<uint16_t>(port);
    return true;
}

bool ParseField(const std::string& key, const std::string& value, bool bHasValue,
                SimUsbPrinter& p) {
    if (!bHasValue) {
        if (key == "no-parent")
            p.bNoParent = true;
        return key == "no-parent" || key == "no-serial"; // no-serial is applied at the end
    }
    unsigned long n = 0;
    if (key == "vendor") {
        if (value == "maker")
            n = kMakerUsbVendorId;
        else if (!ParseNumber(value, 0xFFFF, n))
            return false;
        p.idVendor = static_cast<uint16_t>(n);
        return true;
    }
    if (key == "product" || key == "class" || key == "exclusive") {
        const unsigned long max = key == "product" ? 0xFFFF : key == "class" ? 0xFF : 1000;
        if (!ParseNumber(value, max, n))
            return false;
        if (key == "product")
            p.idProduct = static_cast<uint16_t>(n);
        else if (key == "class")
            p.bInterfaceClass = static_cast<uint8_t>(n);
        else
            p.nExclusiveOpens = static_cast<int>(n);
        return true;
    }
    if (key == "tcp")
        return ParseTcp(value, p);
    struct Text {
        const char* key;
        bool SimUsbPrinter::*has;
        std::string SimUsbPrinter::*text;
    };
    static const Text kTexts[] = {
        {"serial", &SimUsbPrinter::bHasSerial, &SimUsbPrinter::strSerial},
        {"vendor-name", &SimUsbPrinter::bHasVendorName, &SimUsbPrinter::strVendorName},
        {"product-name", &SimUsbPrinter::bHasProductName, &SimUsbPrinter::strProductName},
        {"device-id", &SimUsbPrinter::bHasDeviceId, &SimUsbPrinter::strDeviceId},
    };
    for (const Text& t : kTexts) {
        if (key == t.key) {
            p.*(t.has) = true;
            p.*(t.text) = value;
            return true;
        }
    }
    return false;
}

} // namespace

bool ParseSimUsbLine(const std::string& rawLine, SimUsbPrinter& printer, std::string& strError) {
    strError.clear();
    std::string line = rawLine;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.empty() || line[0] == '#')
        return false;
    printer = SimUsbPrinter();
    printer.strKey = line;
    bool bNoSerial = false;
    bool bVendor = false;
    for (size_t pos = 0; pos <= line.size();) {
        size_t tab = line.find('\t', pos);
        if (tab == std::string::npos)
            tab = line.size();
        const std::string field = line.substr(pos, tab - pos);
        pos = tab + 1;
        if (field.empty())
            continue;
        if (field[0] == '#')
            break;
        const size_t eq = field.find('=');
        const std::string key = field.substr(0, eq);
        const std::string value = eq == std::string::npos ? std::string() : field.substr(eq + 1);
        if (!ParseField(key, value, eq != std::string::npos, printer)) {
            strError = "bad field \"" + field + "\"";
            return false;
        }
        bNoSerial |= key == "no-serial";
        bVendor |= key == "vendor";
    }
    if (!bVendor) {
        strError = "no vendor";
        return false;
    }
    if (bNoSerial)
        printer.bHasSerial = false;
    return true;
}

std::vector<SimUsbPrinter> LoadSimUsbBus() {
    std::vector<SimUsbPrinter> bus;
    const char* pPath = std::getenv("HALVARD_USB_BUS");
    if (pPath == nullptr || *pPath == '\0')
        return bus;
    std::ifstream file(pPath);
    std::string line;
    int nLine = 0;
    while (std::getline(file, line)) {
        ++nLine;
        SimUsbPrinter printer;
        std::string strError;
        if (ParseSimUsbLine(line, printer, strError)) {
            bus.push_back(printer);
        } else if (!strError.empty()) {
            static std::mutex s_lock;
            static std::set<std::string> s_reported;
            std::lock_guard<std::mutex> lock(s_lock);
            if (s_reported.insert(line).second)
                std::fprintf(stderr, "HALVARD_USB_BUS %s:%d: %s\n", pPath, nLine, strError.c_str());
        }
    }
    return bus;
}
