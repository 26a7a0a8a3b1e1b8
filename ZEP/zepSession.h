// One device session as every program drives it: download mode in, the device's TargetInfo.txt,
// the package's VERSION rows in file order, and download mode out once. The worker sends the
// images of a session; the console's dry run only judges them.
#pragma once

#include "zepTypes.h"

#include <string>

class zepProtocol;

// One VERSION row of ZEPINFO.txt.
struct zepImageRow {
    std::string strType;       // firmware type
    std::string strVersion;    // the package's version of it
    std::string strFile;       // the image in the package
    std::string strBinFile;    // the name the device is sent
    std::string strCompatible; // lowest version the image may be written over; may be empty
    std::string strHeader;     // header type
};

class zepSession {
public:
    explicit zepSession(zepProtocol& protocol) : m_protocol(protocol) {}
    ~zepSession(); // leaves download mode if it is still entered

    zepSession(const zepSession&) = delete;
    zepSession& operator=(const zepSession&) = delete;

    // Enters download mode. The name strings are the transport's buffers and may be rewritten.
    // On failure nothing was entered and Leave does nothing.
    ZEPRESULT Enter(char* pszPrinterName, char* pszPortName, unsigned short wPortNo);
    // Fetches the device's TargetInfo.txt, against which every image is judged, and reads the
    // package's model name.
    ZEPRESULT ReadDevice();
    const char* PackageModel() const { return m_strModel.c_str(); }
    // The device's version of a firmware type, as read by ReadDevice; empty when it has none.
    std::string DeviceVersion(const std::string& strType) const;
    // Exits download mode if it was entered; later calls do nothing.
    void Leave();

    // Row `index` of the package, from a fresh record each time (the reader leaves absent fields
    // untouched); false past the last row.
    static bool ImageAt(unsigned int index, zepImageRow& row);

private:
    zepProtocol& m_protocol;
    bool m_bEntered = false;
    std::string m_strModel;
};
