// English string table of the progress page and the result messages.
#include "CliTexts.h"

namespace {

struct StringEntry {
    int nId;
    const char* pszText;
};

const StringEntry kStrings[] = {
    {STATUS_CONNECTING, "Connecting to the device..."},
    {111, "Warning"},
    {119, "(USB connected device)"},
    {112, "Information"},
    {145, "Firmware update is complete.\nRestart the device."},
    {146, "Firmware update is complete.\nThe device will restart automatically."},
    {147, "The firmware of the selected device does not need to be updated.\nRestart the device."},
    {148, "The firmware of the selected device does not need to be updated.\nThe device will "
          "restart automatically."},
    {149, "Could not properly overwrite the firmware in the device. Try to update the firmware "
          "again."},
    {150, "Could not verify the firmware data. Try to update the firmware again."},
    {151, "Update was canceled because there was no response from the device, the device is "
          "active, or other users are updating.\nCheck the device status, and then try to update "
          "the firmware again."},
    {152, "Update was canceled because a fax transmission occurred during the update. Try to "
          "update the firmware again."},
    {153, "Could not update the firmware. For details, refer to the display panel of the device."},
    {154, "Could not update the firmware.\nThe USB or network cable may be disconnected or the "
          "device may be turned off.\n\n- If the USB or network cable is unplugged:\nDo not turn "
          "off the device if it is in the process of writing.\nWhen the device is not writing, "
          "properly connect the any cables. Turn the device off and then on, and try to update "
          "the firmware again.\n\n- If the device is turned off:\nTurn on the device and try to "
          "update the firmware again."},
    {155, "The selected device is not compatible. Select a different device, and then try to "
          "update the firmware again."},
    {156, "Could not properly read the firmware. Try to update the firmware again."},
    {157, "An error occurred in this computer. Restart your computer, and then try to update the "
          "firmware again."},
    {171, "Checking verison of firmware..."},
    {172, "Checking verison of firmware %d..."},
    {173, "Preparing to update firmware..."},
    {174, "Preparing to update firmware %d..."},
    {175, "Overwriting firmware in target device..."},
    {176, "Overwriting firmware %d in target device..."},
    {177, "Finishing..."},
};

} // namespace

const char* EnglishText(int nId) {
    for (const StringEntry& entry : kStrings) {
        if (entry.nId == nId)
            return entry.pszText;
    }
    return "";
}

std::string StatusText(const ProgressView& view) {
    return FormatStatusText(std::string(EnglishText(view.nStatusId)), view.dwStatusNumber);
}

const char* CaptionText(bool bWarning) {
    return EnglishText(bWarning ? RESULT_CAPTION_WARNING : RESULT_CAPTION_INFORMATION);
}

std::string OneLine(const std::string& text) {
    std::string line;
    for (char c : text) {
        if (c == '\r')
            continue;
        if (c == '\n') {
            if (!line.empty() && line.back() != ' ')
                line += ' ';
            continue;
        }
        line += c;
    }
    return line;
}

std::string Visible(const std::string& text) {
    static const char hex[] = "0123456789abcdef";
    std::string shown;
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            shown += std::string("\\x") + hex[u >> 4] + hex[u & 0xF];
        else
            shown += c;
    }
    return shown;
}
