// The macOS program's wizard: one window whose pages are tabs, a second tab view of button rows
// switched in step, and the update window that follows the worker to the result alert.
#pragma once

#import <AppKit/AppKit.h>

#include "zepThreadC.h"

#include <string>

@class PrinterList, FirmwareList, PrinterInfo, InputNSMatrixControl, zepTableView;

@interface MainWindowController : NSObject {
    NSWindow* _mainwindow;
    NSTabView* _mainTabView;
    NSTabView* _buttonTabView;
    // opening page
    NSTextField* _AppCommentTxtField;
    NSTextField* _targetDeviceTitle;
    NSTextField* _targetDeviceTxt;
    NSTextField* _firmInfoTxt;
    NSTableView* _firmInfoTblView;
    NSTableColumn* _firmList_type_col;
    NSTableColumn* _firmList_version_col;
    NSTextField* _openingVersionTxt;
    NSButton* _openingNextBtn;
    NSButton* _openingCancelBtn;
    // preparation page
    NSTextField* _updatePrepTitleTxt;
    NSTextField* _updatePrepVerificationTxt;
    NSTextField* _updatePrepItemsTxt;
    NSTextField* _updatePrepModeTxt;
    NSImageView* _updateInfoImgView;
    NSButton* _prefBackBtn;
    NSButton* _prefNextBtn;
    NSButton* _prefCancelBtn;
    // device selection page
    NSTextField* _selectDeviceTitle;
    NSTextField* _selectDeviceCmt;
    NSButtonCell* _assignPrtNameBtnCell;
    NSButtonCell* _assignIPAddressBtnCell;
    zepTableView* _prtListTblView;
    NSTableColumn* _printerList_name_col;
    NSTableColumn* _printerList_port_col;
    InputNSMatrixControl* _IPAddressMatrix;
    NSInteger _selectedRowPrtList;
    NSButton* _selDev1BackBtn;
    NSButton* _selDev1NextBtn;
    NSButton* _selDev1CancelBtn;
    // confirmation page
    NSTextField* _updateVerificationTitle;
    NSTextField* _updateVerificationTxt;
    NSTextField* _targetDevNameTitle;
    NSTextField* _targetDevNameTxt;
    NSTextField* _portNameTitle;
    NSTextField* _portNameTxt;
    NSTextField* _startUpdateCmtTxt;
    NSButton* _prepBackBtn;
    NSButton* _prepStartBtn;
    NSButton* _prepCancelBtn;
    // update window
    NSWindow* _updateWindow;
    NSProgressIndicator* _progressAnimation;
    NSImageView* _updateWdwWarningImgView;
    NSTextField* _updateCmtTxt;
    NSTextView* _attentionCmtTxt;
    NSTextField* _progressCmtTxt;
    NSProgressIndicator* _updatePrg;
    NSTimer* _updateStatusTimer;

    PrinterList* _printer_list;
    FirmwareList* _firmware_list;
    PrinterInfo* _targetPrinterInfo;
    zep_thread _zepThread;
    void* _progressRules;              // MacProgressWindow of the running update
    std::string _strUpdatePrinterName; // alive until the worker has stopped
    std::string _strUpdatePortName;
    BOOL _bInAddressSwitch;
}

- (void)show;

- (IBAction)showOpeningPage:(id)sender;
- (IBAction)showPreferencePage:(id)sender;
- (IBAction)showSelectDevicePage:(id)sender;
- (IBAction)assignPrtNameBtnCellAction:(id)sender;
- (IBAction)assignIPAddressBtnCellAction:(id)sender;
- (IBAction)inputCheckAndShowPrepPage:(id)sender;
- (IBAction)startUpdate:(id)sender;
- (IBAction)cancelUpdate:(id)sender;
@end

// The update window (MainWindowController+Update.mm).
@interface MainWindowController (Update)
// Seconds between two looks at the worker's record (1.0; tests shorten it).
+ (void)setStatusTimerInterval:(NSTimeInterval)seconds;
- (void)startUpdate;
- (void)updateStatusTimerFunc:(NSTimer*)timer;
- (void)endUpdate:(int)nResult;
@end

// The interface "MainWindow", built in code (MainWindow.mm).
@interface MainWindowController (MainWindowLayout)
- (void)loadMainWindow;
@end
