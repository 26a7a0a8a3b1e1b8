// The wizard pages of the macOS program: start-up with the system gate, the firmware and
// printer lists, the address check and the confirmations.
#import "MainWindowController.h"

#import "FirmwareList.h"
#import "InputNSMatrixControl.h"
#import "PrinterInfo.h"
#import "PrinterList.h"
#import "ZEP_Utilities.h"
#import "ZepAlert.h"
#import "zepParseController.h"
#import "zepTableView.h"

#include "MacPrinterSources.h"
#include "zepSystemTargets.h"
#include "zepParse.h"
#include "zepPlatformGate.h"
#include "zep_etc.h"

static NSString* L(NSString* key) {
    return [ZEP_Utilities localizedString:key];
}

static std::string Std(NSString* s) {
    return s != nil ? std::string([s UTF8String]) : std::string();
}

@interface MainWindowController (Private)
- (BOOL)checkOSVersion;
- (void)_makeFirmWareList;
- (void)_makeTargetPrinterList;
- (BOOL)_inputCheckForIPAddress:(NSArray*)values;
- (void)_setLocalizedStrings;
- (void)setTabOrderForPrinterSelect;
- (void)setTabOrderForIPAddressSelect;
- (void)selectIPAddressTextEvent:(NSNotification*)notification;
- (void)selectTab:(NSString*)identifier;
@end

@implementation MainWindowController

- (id)init {
    if ((self = [super init]) != nil) {
        _printer_list = [[PrinterList alloc] init];
        _firmware_list = [[FirmwareList alloc] init];
        [[NSNotificationCenter defaultCenter] addObserver:self
                                                 selector:@selector(selectIPAddressTextEvent:)
                                                     name:ZEPMatrixSelectNotification
                                                   object:nil];
        [self loadMainWindow];
        [self awakeFromNib];
    }
    return self;
}

- (void)dealloc {
    [[NSNotificationCenter defaultCenter] removeObserver:self];
    [_prtListTblView setDataSource:nil];
    [_prtListTblView setDelegate:nil];
    [_firmInfoTblView setDataSource:nil];
    [_firmInfoTblView setDelegate:nil];
    [_mainTabView setDelegate:nil];
    [_mainwindow setDelegate:nil];
    [_mainwindow release];
    [_updateWindow release];
    [_printer_list release];
    [_firmware_list release];
    [_targetPrinterInfo release];
    [super dealloc];
}

- (void)awakeFromNib {
    const int loaded = [zepParseController loadData];
    [NSApp activateIgnoringOtherApps:YES];
    if (loaded == RESULT_ERR_FIRMREAD) { // not signed by the key this program was built with
        ZepRunAlert(ZEP_ALERT_CRITICAL, L(@"Error_FirmReadTitle"), L(@"Error_FirmReadMes"),
                    L(@"OK"), nil);
        ZepQuitApplication();
        return;
    }
    if (![self checkOSVersion]) {
        ZepRunAlert(ZEP_ALERT_CRITICAL, L(@"ZEP_UnSupportOS_Title"), L(@"ZEP_UnSupportOS_Mes"),
                    L(@"OK"), nil);
        ZepQuitApplication();
        return;
    }
    [_updateInfoImgView setImage:[ZEP_Utilities getSystemIcon:@"note"
                                                         size:[_updateInfoImgView frame].size]];
    [_IPAddressMatrix setInputMode:forIpv4Address];
    [_firmInfoTblView setDataSource:_firmware_list];
    [_firmInfoTblView setDelegate:_firmware_list];
    [_prtListTblView setDataSource:_printer_list];
    [_prtListTblView setDelegate:_printer_list];
    [_IPAddressMatrix setDelegate:self];
    [self _setLocalizedStrings];
    [_targetDeviceTxt setStringValue:[zepParseController getModelName]];
    [self _makeFirmWareList];
    [self showOpeningPage:self];
}

- (void)show {
    [_mainwindow center];
    [_mainwindow makeKeyAndOrderFront:self];
}

- (BOOL)checkOSVersion {
    long lMax = 0, lMin = 0;
    const long lVersion = get_system_version();
    [zepParseController getPlatformMaxVersion:&lMax MinVersion:&lMin];
    return IsMacSystemSupported(lVersion, lMax, lMin) ? YES : NO;
}

- (void)_setLocalizedStrings {
    [_mainwindow setTitle:L(@"Torvi Halvard")];
    [_updateWindow setTitle:L(@"Torvi Halvard")];
    [_AppCommentTxtField setStringValue:L(@"Start_Description")];
    [_targetDeviceTitle setStringValue:L(@"Start_DevNameTitle")];
    [_firmInfoTxt setStringValue:L(@"Start_FirmInfoTitle")];
    [[_firmList_type_col headerCell] setStringValue:L(@"Start_ListTypeTitle")];
    [[_firmList_version_col headerCell] setStringValue:L(@"Start_ListVerTitle")];
    NSString* version = [[[NSBundle mainBundle] infoDictionary] objectForKey:@"CFBundleVersion"];
    [_openingVersionTxt
        setStringValue:[L(@"Start_VersionTxt")
                           stringByReplacingOccurrencesOfString:@"%@"
                                                     withString:version != nil ? version : @""]];
    [_updatePrepTitleTxt setStringValue:L(@"Preference_Description")];
    [_updatePrepVerificationTxt setStringValue:L(@"Preference_CheckPointTitle")];
    [_updatePrepItemsTxt setStringValue:L(@"Preference_CheckPoint")];
    [_updatePrepModeTxt setStringValue:[zepParseController getNeedEnterOperation] == DEF_YES_VALUE
                                           ? L(@"Preference_DownLoadMode")
                                           : @""];
    [_selectDeviceTitle setStringValue:L(@"Device_Description")];
    [_selectDeviceCmt setStringValue:L(@"Device_Comment")];
    [_assignPrtNameBtnCell setTitle:L(@"Device_SpecifyPrinteName")];
    [_assignIPAddressBtnCell setTitle:L(@"Device_SpecifyIPAddress")];
    [[_printerList_name_col headerCell] setStringValue:L(@"Device_ListPrinterName")];
    [[_printerList_port_col headerCell] setStringValue:L(@"Device_ListPortName")];
    [_updateVerificationTitle setStringValue:L(@"Guide_Description")];
    [_updateVerificationTxt setStringValue:L(@"Guide_Comment")];
    [_targetDevNameTitle setStringValue:L(@"Guide_TargetDeviceTitle")];
    [_portNameTitle setStringValue:L(@"Guide_PortNameTitle")];
    [_startUpdateCmtTxt setStringValue:L(@"Guide_StartUpdateCmt")];
    NSButton* backs[] = {_prefBackBtn, _selDev1BackBtn, _prepBackBtn};
    NSButton* nexts[] = {_openingNextBtn, _prefNextBtn, _selDev1NextBtn};
    NSButton* cancels[] = {_openingCancelBtn, _prefCancelBtn, _selDev1CancelBtn, _prepCancelBtn};
    for (int i = 0; i < 3; ++i) {
        [backs[i] setTitle:L(@"Back")];
        [nexts[i] setTitle:L(@"Next")];
    }
    for (int i = 0; i < 4; ++i)
        [cancels[i] setTitle:L(@"Cancel")];
    [_prepStartBtn setTitle:L(@"Start")];
    [_updateCmtTxt setStringValue:L(@"Update_Description")];
    [_attentionCmtTxt setString:L(@"Update_Precaution")];
}

- (void)_makeFirmWareList {
    for (unsigned int i = 0;; ++i) {
        NSString* type = nil;
        NSString* version = nil;
        if (![zepParseController getDispFirmVersion:i:&type:&version])
            break;
        [_firmware_list addFirmwareList:type Version:version];
    }
    [_firmInfoTblView reloadData];
}

- (void)selectTab:(NSString*)identifier {
    [_mainTabView selectTabViewItemWithIdentifier:identifier];
    [_buttonTabView selectTabViewItemWithIdentifier:identifier];
}

- (IBAction)showOpeningPage:(id)sender {
    [self selectTab:@"OpeningPage"];
}

- (IBAction)showPreferencePage:(id)sender {
    [self selectTab:@"PreferencePage"];
}

- (IBAction)showSelectDevicePage:(id)sender {
    [self _makeTargetPrinterList];
    if ([[_printer_list printerList] count] == 0) {
        _selectedRowPrtList = 0;
        [_prtListTblView setRefusesFirstResponder:YES];
        [self assignIPAddressBtnCellAction:self];
        [_assignPrtNameBtnCell setEnabled:NO];
    } else {
        [_prtListTblView setRefusesFirstResponder:NO];
        [_assignPrtNameBtnCell setEnabled:YES];
        if ([_assignPrtNameBtnCell state] == [_assignIPAddressBtnCell state])
            [self assignPrtNameBtnCellAction:self];
    }
    if ([[[_mainTabView selectedTabViewItem] identifier] isEqual:@"SelectDevice1"])
        [self tabView:_mainTabView didSelectTabViewItem:[_mainTabView selectedTabViewItem]];
    else
        [self selectTab:@"SelectDevice1"];
}

- (void)tabView:(NSTabView*)tabView didSelectTabViewItem:(NSTabViewItem*)item {
    if (tabView != _mainTabView || ![[item identifier] isEqual:@"SelectDevice1"])
        return;
    if ([_assignIPAddressBtnCell state] != NSOnState) {
        [_mainwindow makeFirstResponder:_prtListTblView];
        if (_selectedRowPrtList >= 0 && _selectedRowPrtList < [_prtListTblView numberOfRows])
            [_prtListTblView selectRow:_selectedRowPrtList byExtendingSelection:NO];
        [self setTabOrderForPrinterSelect];
    } else {
        [_IPAddressMatrix selectTextAtRow:0 column:0];
        [self setTabOrderForIPAddressSelect];
    }
}

- (void)_makeTargetPrinterList {
    // The row chosen last: the table's selection while the page was shown, else the row kept.
    std::string remembered;
    const NSInteger chosenRow =
        [_prtListTblView selectedRow] >= 0 ? [_prtListTblView selectedRow] : _selectedRowPrtList;
    PrinterInfo* chosen = [_printer_list printerInfoAtIndex:chosenRow];
    if (chosen != nil)
        remembered = Std([chosen printerURI]);
    _selectedRowPrtList = 0;
    [_printer_list setPrinterList:[NSArray array]];

    const MacTargetList list =
        SystemMacTargetList(ZepInfoTargetRules(Std(L(@"USB Printer"))), remembered);

    NSMutableArray* printers = [NSMutableArray array];
    for (size_t i = 0; i < list.rows.size(); ++i)
        [printers addObject:[[[PrinterInfo alloc] initWithPMPrinter:list.rows[i]] autorelease]];
    [_printer_list setPrinterList:printers];
    if (list.nSelectedRow >= 0)
        _selectedRowPrtList = list.nSelectedRow;
    [_prtListTblView reloadData];
    if (list.nSelectedRow >= 0)
        [_prtListTblView selectRow:list.nSelectedRow byExtendingSelection:NO];
}

- (IBAction)assignPrtNameBtnCellAction:(id)sender {
    if (![_assignPrtNameBtnCell isEnabled]) {
        [_assignPrtNameBtnCell setState:NSOffState];
        [_assignIPAddressBtnCell setState:NSOnState];
        return;
    }
    [_assignPrtNameBtnCell setState:NSOnState];
    [_assignIPAddressBtnCell setState:NSOffState];
    if ([_prtListTblView selectedRow] >= 0)
        _selectedRowPrtList = [_prtListTblView selectedRow];
    if (_selectedRowPrtList >= 0 && _selectedRowPrtList < [_prtListTblView numberOfRows])
        [_prtListTblView selectRow:_selectedRowPrtList byExtendingSelection:NO];
    [_prtListTblView setAllowsEmptySelection:NO];
    [_mainwindow makeFirstResponder:_prtListTblView];
    [self setTabOrderForPrinterSelect];
}

- (IBAction)assignIPAddressBtnCellAction:(id)sender {
    _bInAddressSwitch = YES;
    [_assignPrtNameBtnCell setState:NSOffState];
    [_assignIPAddressBtnCell setState:NSOnState];
    if ([_prtListTblView selectedRow] >= 0)
        _selectedRowPrtList = [_prtListTblView selectedRow];
    [_prtListTblView setAllowsEmptySelection:YES];
    [_prtListTblView deselectAll:self];
    [_IPAddressMatrix selectTextAtRow:0 column:0];
    [self setTabOrderForIPAddressSelect];
    _bInAddressSwitch = NO;
}

// The address control took the focus: a click into it chooses the address.
- (void)selectIPAddressTextEvent:(NSNotification*)notification {
    if ([notification object] != _IPAddressMatrix || _bInAddressSwitch ||
        [_assignIPAddressBtnCell state] == NSOnState)
        return;
    [self assignIPAddressBtnCellAction:self];
}

- (void)setTabOrderForPrinterSelect {
    [[_assignPrtNameBtnCell controlView] setNextKeyView:_prtListTblView];
    [_prtListTblView setNextKeyView:[_assignIPAddressBtnCell controlView]];
    [[_assignIPAddressBtnCell controlView] setNextKeyView:_selDev1BackBtn];
    [_selDev1BackBtn setNextKeyView:_selDev1NextBtn];
    [_selDev1NextBtn setNextKeyView:_selDev1CancelBtn];
    [_selDev1CancelBtn setNextKeyView:[_assignPrtNameBtnCell controlView]];
}

- (void)setTabOrderForIPAddressSelect {
    [[_assignPrtNameBtnCell controlView] setNextKeyView:[_assignIPAddressBtnCell controlView]];
    [[_assignIPAddressBtnCell controlView] setNextKeyView:_IPAddressMatrix];
    [_IPAddressMatrix setNextKeyView:_selDev1BackBtn];
    [_selDev1BackBtn setNextKeyView:_selDev1NextBtn];
    [_selDev1NextBtn setNextKeyView:_selDev1CancelBtn];
    [_selDev1CancelBtn setNextKeyView:[_assignPrtNameBtnCell controlView]];
}

- (BOOL)_inputCheckForIPAddress:(NSArray*)values {
    if ([values count] != 4)
        return NO;
    for (NSUInteger i = 0; i < 4; ++i) {
        NSString* v = [values objectAtIndex:i];
        if ([v length] != 0 && ![v isEqualToString:@"0"])
            return YES;
    }
    return NO;
}

- (IBAction)inputCheckAndShowPrepPage:(id)sender {
    const BOOL bAddress = [_assignIPAddressBtnCell state] == NSOnState;
    NSArray* values = bAddress ? [_IPAddressMatrix cellValueArray] : nil;
    if (bAddress && ![self _inputCheckForIPAddress:values]) {
        ZepRunAlert(ZEP_ALERT_CRITICAL, L(@"Device_AlertInputAddressTitle"),
                    L(@"Device_AlertInputAddressMes"), L(@"OK"), nil);
        [_IPAddressMatrix selectTextAtRow:0 column:0];
        return;
    }
    PrinterInfo* target = nil;
    if (bAddress) {
        NSString* model = [zepParseController getModelName];
        target = [[PrinterInfo alloc] initWithPrinterName:model
                                                    Model:model
                                                  Address:[values componentsJoinedByString:@"."]];
        [_IPAddressMatrix setCellValue:values];
    } else {
        target = [[_printer_list printerInfoAtIndex:[_prtListTblView selectedRow]] retain];
    }
    if (target == nil) {
        NSBeep(); // no row chosen: there is nothing to confirm
        return;
    }
    [_targetPrinterInfo release];
    _targetPrinterInfo = target;
    [_targetDevNameTxt setStringValue:[_targetPrinterInfo printerName]];
    [_portNameTxt setStringValue:[_targetPrinterInfo printerURI]];
    [self selectTab:@"ConfirmationScreen"];
}

- (IBAction)startUpdate:(id)sender {
    const BOOL bDown = [zepParseController getAllowVersionDown] == DEF_YES_VALUE;
    const int answer = ZepRunAlert(
        ZEP_ALERT_CRITICAL, L(bDown ? @"Confirmation_VerDown_Title" : @"Confirmation_Normal_Title"),
        L(bDown ? @"Confirmation_VerDown_Description" : @"Confirmation_Normal_Description"),
        L(@"YES"), L(@"NO"));
    if (answer == ZEP_ALERT_DEFAULT)
        [self startUpdate];
    else
        [self cancelUpdate:sender];
}

- (IBAction)cancelUpdate:(id)sender {
    if (ZepRunAlert(ZEP_ALERT_CRITICAL, L(@"Cancel_MesTitle"), L(@"Cancel_Message"), L(@"YES"),
                    L(@"NO")) == ZEP_ALERT_DEFAULT)
        ZepQuitApplication();
}

// The address control's own field editor.
- (id)windowWillReturnFieldEditor:(NSWindow*)window toObject:(id)object {
    if (object == _IPAddressMatrix)
        return [_IPAddressMatrix fieldEditor];
    return nil;
}

@end
