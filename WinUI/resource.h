// Resource and control ids of the Windows program, shared by the .rc files and the code.
#pragma once

// Dialog templates of the wizard pages.
#define IDD_SELECT 102
#define IDD_PROGRESS 129
#define IDD_PREPARE 130
#define IDD_OPENING 132
#define IDD_CONFIRM 134

// String table.
#define IDS_VERSION 103
#define IDS_CAPTION_CRITICAL 110
#define IDS_CAPTION_WARNING 111
#define IDS_CAPTION_INFORMATION 112
#define IDS_NO_IP_ADDRESS 118
#define IDS_USB_CONNECTED_DEVICE 119
#define IDS_COLUMN_TYPE 120
#define IDS_COLUMN_UPDATE_TO 121
#define IDS_COLUMN_PRINTER 122
#define IDS_COLUMN_PORT 123
#define IDS_CONFIRM_DETAILS 133
#define IDS_UNSUPPORTED_SYSTEM 140
#define IDS_CANCEL_CONFIRM 141
#define IDS_START_CONFIRM 143
#define IDS_START_CONFIRM_DOWNGRADE 144
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
#define IDS_STATUS_CHECKING 171
#define IDS_STATUS_CHECKING_N 172
#define IDS_STATUS_PREPARING 173
#define IDS_STATUS_PREPARING_N 174
#define IDS_STATUS_OVERWRITING 175
#define IDS_STATUS_OVERWRITING_N 176
#define IDS_STATUS_FINISHING 177

// Buttons common to the wizard pages; the page results are these ids.
#define IDC_BACK 3
#define IDC_NEXT 1005

// Opening page.
#define IDC_MODEL_NAME 1000
#define IDC_FIRMWARE_LIST 1019
#define IDC_VERSION_TEXT 1010

// Preparation page.
#define IDC_PREPARE_ICON 1009
#define IDC_UPDATE_MODE_NOTE 1021

// Device selection page.
#define IDC_PRINTER_RADIO 1006
#define IDC_PRINTER_LIST 1002
#define IDC_IP_RADIO 1007
#define IDC_IP_ADDRESS 1008

// Confirmation page.
#define IDC_CONFIRM_ICON 1010
#define IDC_CONFIRM_TEXT 1016
#define IDC_TARGET_LABEL 1012
#define IDC_TARGET_NAME 1014
#define IDC_PORT_LABEL 1013
#define IDC_PORT_NAME 1015

// Progress page.
#define IDC_PROGRESS_ICON 1010
#define IDC_ANIMATION 1011
#define IDC_STATUS 1017
#define IDC_PROGRESS_BAR 1009
#define IDT_PROGRESS 32767

#define IDC_STATIC_TEXT (-1)

// The animation of the progress page, a resource of type "AVI" named "IDR_AVI".
#define IDR_AVI_NAME "IDR_AVI"
