// The English texts of the shared rules' ids, as the Windows string table has them (a test holds
// the two together); the console updater speaks them.
#include "zepEnglishTexts.h"

#include "zepProgressRules.h"
#include "zepTextIds.h"

namespace {

struct StringEntry {
    int nId;
    const char* pszText;
};

const StringEntry kStrings[] = {
    {STATUS_CONNECTING, "Connecting to the device..."},
    {IDS_CAPTION_WARNING, "Warning"},
    {IDS_USB_CONNECTED_DEVICE, "(USB connected device)"},
    {IDS_CAPTION_INFORMATION, "Information"},
    {IDS_RESULT_DONE_RESTART, "Firmware update is complete.\nRestart the device."},
    {IDS_RESULT_DONE, "Firmware update is complete.\nThe device will restart automatically."},
    {IDS_RESULT_CURRENT_RESTART,
     "The firmware of the selected device does not need to be updated.\nRestart the device."},
    {IDS_RESULT_CURRENT,
     "The firmware of the selected device does not need to be updated.\nThe device will "
     "restart automatically."},
    {IDS_RESULT_WRITE,
     "Could not properly overwrite the firmware in the device. Try to update the firmware "
     "again."},
    {IDS_RESULT_CHECKSUM, "Could not verify the firmware data. Try to update the firmware again."},
    {IDS_RESULT_BUSY,
     "Update was canceled because there was no response from the device, the device is "
     "active, or other users are updating.\nCheck the device status, and then try to update "
     "the firmware again."},
    {IDS_RESULT_FAX,
     "Update was canceled because a fax transmission occurred during the update. Try to "
     "update the firmware again."},
    {IDS_RESULT_DEVICE,
     "Could not update the firmware. For details, refer to the display panel of the device."},
    {IDS_RESULT_CONNECT,
     "Could not update the firmware.\nThe USB or network cable may be disconnected or the "
     "device may be turned off.\n\n- If the USB or network cable is unplugged:\nDo not turn "
     "off the device if it is in the process of writing.\nWhen the device is not writing, "
     "properly connect the any cables. Turn the device off and then on, and try to update "
     "the firmware again.\n\n- If the device is turned off:\nTurn on the device and try to "
     "update the firmware again."},
    {IDS_RESULT_MODEL,
     "The selected device is not compatible. Select a different device, and then try to "
     "update the firmware again."},
    {IDS_RESULT_FIRMREAD,
     "Could not properly read the firmware. Try to update the firmware again."},
    {IDS_RESULT_SYSTEM,
     "An error occurred in this computer. Restart your computer, and then try to update the "
     "firmware again."},
    {IDS_STATUS_CHECKING, "Checking verison of firmware..."},
    {IDS_STATUS_CHECKING_N, "Checking verison of firmware %d..."},
    {IDS_STATUS_PREPARING, "Preparing to update firmware..."},
    {IDS_STATUS_PREPARING_N, "Preparing to update firmware %d..."},
    {IDS_STATUS_OVERWRITING, "Overwriting firmware in target device..."},
    {IDS_STATUS_OVERWRITING_N, "Overwriting firmware %d in target device..."},
    {IDS_STATUS_FINISHING, "Finishing..."},
};

} // namespace

const char* EnglishText(int nId) {
    for (const StringEntry& entry : kStrings) {
        if (entry.nId == nId)
            return entry.pszText;
    }
    return "";
}
