// Resource and control ids of the Windows program, shared by the .rc files and the code.
#pragma once

#include "zepTextIds.h" // the texts the shared rules choose

// Dialog templates of the wizard pages.
#define IDD_SELECT 102
#define IDD_PROGRESS 129
#define IDD_PREPARE 130
#define IDD_OPENING 132
#define IDD_CONFIRM 134

// String table.
#define IDS_VERSION 103
#define IDS_CAPTION_CRITICAL 110
#define IDS_NO_IP_ADDRESS 118
#define IDS_COLUMN_TYPE 120
#define IDS_COLUMN_UPDATE_TO 121
#define IDS_COLUMN_PRINTER 122
#define IDS_COLUMN_PORT 123
#define IDS_CONFIRM_DETAILS 133
#define IDS_UNSUPPORTED_SYSTEM 140
#define IDS_CANCEL_CONFIRM 141
#define IDS_START_CONFIRM 143
#define IDS_START_CONFIRM_DOWNGRADE 144

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
