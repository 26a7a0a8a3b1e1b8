// Ids of the texts the shared rules choose: the result message, its caption and the progress
// page's status lines. The Windows string table is keyed by them (WinUI/resource.h includes this
// file, and so does the resource compiler), the console updater's English texts too. Macros, not
// an enum, so that the resource compiler can read them.
#pragma once

#define IDS_CAPTION_WARNING 111
#define IDS_CAPTION_INFORMATION 112
#define IDS_USB_CONNECTED_DEVICE 119

// Result messages: done or nothing to update, each with and without "restart the device", then
// one text per failure -1 to -9 in that order.
#define IDS_RESULT_DONE_RESTART 145
#define IDS_RESULT_DONE 146
#define IDS_RESULT_CURRENT_RESTART 147
#define IDS_RESULT_CURRENT 148
#define IDS_RESULT_WRITE 149
#define IDS_RESULT_CHECKSUM 150
#define IDS_RESULT_BUSY 151
#define IDS_RESULT_FAX 152
#define IDS_RESULT_DEVICE 153
#define IDS_RESULT_CONNECT 154
#define IDS_RESULT_MODEL 155
#define IDS_RESULT_FIRMREAD 156
#define IDS_RESULT_SYSTEM 157

// Status lines; each but the last has a numbered "%d" form under the next id.
#define IDS_STATUS_CHECKING 171
#define IDS_STATUS_CHECKING_N 172
#define IDS_STATUS_PREPARING 173
#define IDS_STATUS_PREPARING_N 174
#define IDS_STATUS_OVERWRITING 175
#define IDS_STATUS_OVERWRITING_N 176
#define IDS_STATUS_FINISHING 177
