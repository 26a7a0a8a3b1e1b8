// The interface "MainWindow", built in code: the main window with its four pages and their
// button rows, and the update window. Geometry only; texts come from _setLocalizedStrings.
#import "MainWindowController.h"

#import "InputNSMatrixControl.h"
#import "zepTableView.h"

namespace {

const CGFloat kWidth = 600;
const CGFloat kPageHeight = 380;
const CGFloat kButtonsHeight = 48;

NSTextField* Label(NSView* parent, NSRect frame, BOOL bBold = NO) {
    NSTextField* label = [[[NSTextField alloc] initWithFrame:frame] autorelease];
    [label setEditable:NO];
    [label setSelectable:NO];
    [label setBordered:NO];
    [label setBezeled:NO];
    [label setDrawsBackground:NO];
    [[label cell] setWraps:YES];
    if (bBold)
        [label setFont:[NSFont boldSystemFontOfSize:0]];
    [parent addSubview:label];
    return label;
}

NSButton* Button(NSView* parent, CGFloat x, id target, SEL action) {
    NSButton* button = [[[NSButton alloc] initWithFrame:NSMakeRect(x, 10, 110, 28)] autorelease];
    [button setBezelStyle:NSRoundedBezelStyle];
    [button setTarget:target];
    [button setAction:action];
    [parent addSubview:button];
    return button;
}

NSTableColumn* Column(NSTableView* table, NSString* identifier, CGFloat width) {
    NSTableColumn* column = [[[NSTableColumn alloc] initWithIdentifier:identifier] autorelease];
    [column setWidth:width];
    [column setEditable:NO];
    [table addTableColumn:column];
    return column;
}

NSView* Page(NSTabView* tabs, NSString* identifier, CGFloat height) {
    NSView* view = [[[NSView alloc] initWithFrame:NSMakeRect(0, 0, kWidth, height)] autorelease];
    NSTabViewItem* item = [[[NSTabViewItem alloc] initWithIdentifier:identifier] autorelease];
    [item setLabel:identifier];
    [item setView:view];
    [tabs addTabViewItem:item];
    return view;
}

NSTabView* Tabs(NSView* parent, NSRect frame) {
    NSTabView* tabs = [[[NSTabView alloc] initWithFrame:frame] autorelease];
    [tabs setTabViewType:NSNoTabsNoBorder];
    [parent addSubview:tabs];
    return tabs;
}

NSScrollView* Scrolled(NSView* parent, NSRect frame, NSView* document) {
    NSScrollView* scroll = [[[NSScrollView alloc] initWithFrame:frame] autorelease];
    [scroll setHasVerticalScroller:YES];
    [scroll setBorderType:NSBezelBorder];
    [scroll setDocumentView:document];
    [parent addSubview:scroll];
    return scroll;
}

} // namespace

@implementation MainWindowController (MainWindowLayout)

- (void)loadMainWindow {
    const CGFloat h = kPageHeight + kButtonsHeight;
    _mainwindow = [[NSWindow alloc] initWithContentRect:NSMakeRect(0, 0, kWidth, h)
                                              styleMask:NSTitledWindowMask
                                                backing:NSBackingStoreBuffered
                                                  defer:NO];
    [_mainwindow setReleasedWhenClosed:NO];
    [_mainwindow setDelegate:self];
    NSView* content = [_mainwindow contentView];
    _mainTabView = Tabs(content, NSMakeRect(0, kButtonsHeight, kWidth, kPageHeight));
    _buttonTabView = Tabs(content, NSMakeRect(0, 0, kWidth, kButtonsHeight));
    [_mainTabView setDelegate:self];
    const CGFloat x3 = kWidth - 3 * 120, x2 = kWidth - 2 * 120, x1 = kWidth - 120;
    const CGFloat top = kPageHeight - 20;

    // opening page
    NSView* page = Page(_mainTabView, @"OpeningPage", kPageHeight);
    _AppCommentTxtField = Label(page, NSMakeRect(20, top - 60, 560, 60));
    _targetDeviceTitle = Label(page, NSMakeRect(20, top - 95, 180, 20));
    _targetDeviceTxt = Label(page, NSMakeRect(200, top - 95, 380, 20), YES);
    _firmInfoTxt = Label(page, NSMakeRect(20, top - 125, 560, 20));
    _firmInfoTblView = [[[NSTableView alloc] initWithFrame:NSMakeRect(0, 0, 540, 150)] autorelease];
    _firmList_type_col = Column(_firmInfoTblView, @"FirmwareType", 260);
    _firmList_version_col = Column(_firmInfoTblView, @"FirmwareVersion", 260);
    Scrolled(page, NSMakeRect(20, top - 285, 560, 155), _firmInfoTblView);
    _openingVersionTxt = Label(page, NSMakeRect(20, 10, 560, 20));
    NSView* buttons = Page(_buttonTabView, @"OpeningPage", kButtonsHeight);
    _openingNextBtn = Button(buttons, x2, self, @selector(showPreferencePage:));
    _openingCancelBtn = Button(buttons, x1, self, @selector(cancelUpdate:));

    // preparation page
    page = Page(_mainTabView, @"PreferencePage", kPageHeight);
    _updatePrepTitleTxt = Label(page, NSMakeRect(20, top - 25, 560, 25), YES);
    _updatePrepVerificationTxt = Label(page, NSMakeRect(20, top - 60, 560, 30));
    _updateInfoImgView =
        [[[NSImageView alloc] initWithFrame:NSMakeRect(20, top - 120, 48, 48)] autorelease];
    [page addSubview:_updateInfoImgView];
    _updatePrepItemsTxt = Label(page, NSMakeRect(80, top - 200, 500, 130));
    _updatePrepModeTxt = Label(page, NSMakeRect(80, top - 260, 500, 50));
    buttons = Page(_buttonTabView, @"PreferencePage", kButtonsHeight);
    _prefBackBtn = Button(buttons, x3, self, @selector(showOpeningPage:));
    _prefNextBtn = Button(buttons, x2, self, @selector(showSelectDevicePage:));
    _prefCancelBtn = Button(buttons, x1, self, @selector(cancelUpdate:));

    // device selection page
    page = Page(_mainTabView, @"SelectDevice1", kPageHeight);
    _selectDeviceTitle = Label(page, NSMakeRect(20, top - 25, 560, 25), YES);
    _selectDeviceCmt = Label(page, NSMakeRect(20, top - 65, 560, 40));
    NSButton* byName =
        [[[NSButton alloc] initWithFrame:NSMakeRect(20, top - 95, 560, 22)] autorelease];
    [byName setButtonType:NSRadioButton];
    [byName setTarget:self];
    [byName setAction:@selector(assignPrtNameBtnCellAction:)];
    [page addSubview:byName];
    _assignPrtNameBtnCell = [byName cell];
    _prtListTblView = [[[zepTableView alloc] initWithFrame:NSMakeRect(0, 0, 520, 140)] autorelease];
    _printerList_name_col = Column(_prtListTblView, @"printername", 240);
    _printerList_port_col = Column(_prtListTblView, @"portname", 280);
    Scrolled(page, NSMakeRect(40, top - 250, 540, 150), _prtListTblView);
    NSButton* byAddress =
        [[[NSButton alloc] initWithFrame:NSMakeRect(20, top - 285, 560, 22)] autorelease];
    [byAddress setButtonType:NSRadioButton];
    [byAddress setTarget:self];
    [byAddress setAction:@selector(assignIPAddressBtnCellAction:)];
    [page addSubview:byAddress];
    _assignIPAddressBtnCell = [byAddress cell];
    NSTextFieldCell* prototype = [[[NSTextFieldCell alloc] initTextCell:@""] autorelease];
    [prototype setEditable:YES];
    [prototype setBezeled:YES];
    [prototype setAlignment:NSCenterTextAlignment];
    _IPAddressMatrix =
        [[[InputNSMatrixControl alloc] initWithFrame:NSMakeRect(40, top - 320, 220, 24)
                                                mode:NSTrackModeMatrix
                                           prototype:prototype
                                        numberOfRows:1
                                     numberOfColumns:4] autorelease];
    [_IPAddressMatrix setCellSize:NSMakeSize(50, 24)];
    [_IPAddressMatrix setIntercellSpacing:NSMakeSize(6, 0)];
    [_IPAddressMatrix awakeFromNib];
    [page addSubview:_IPAddressMatrix];
    buttons = Page(_buttonTabView, @"SelectDevice1", kButtonsHeight);
    _selDev1BackBtn = Button(buttons, x3, self, @selector(showPreferencePage:));
    _selDev1NextBtn = Button(buttons, x2, self, @selector(inputCheckAndShowPrepPage:));
    _selDev1CancelBtn = Button(buttons, x1, self, @selector(cancelUpdate:));

    // confirmation page
    page = Page(_mainTabView, @"ConfirmationScreen", kPageHeight);
    _updateVerificationTitle = Label(page, NSMakeRect(20, top - 25, 560, 25), YES);
    _updateVerificationTxt = Label(page, NSMakeRect(20, top - 75, 560, 45));
    _targetDevNameTitle = Label(page, NSMakeRect(40, top - 110, 160, 20));
    _targetDevNameTxt = Label(page, NSMakeRect(200, top - 110, 380, 20), YES);
    _portNameTitle = Label(page, NSMakeRect(40, top - 140, 160, 20));
    _portNameTxt = Label(page, NSMakeRect(200, top - 140, 380, 20), YES);
    _startUpdateCmtTxt = Label(page, NSMakeRect(20, top - 200, 560, 40));
    buttons = Page(_buttonTabView, @"ConfirmationScreen", kButtonsHeight);
    _prepBackBtn = Button(buttons, x3, self, @selector(showSelectDevicePage:));
    _prepStartBtn = Button(buttons, x2, self, @selector(startUpdate:));
    _prepCancelBtn = Button(buttons, x1, self, @selector(cancelUpdate:));

    // update window
    _updateWindow = [[NSWindow alloc] initWithContentRect:NSMakeRect(0, 0, 480, 300)
                                                styleMask:NSTitledWindowMask
                                                  backing:NSBackingStoreBuffered
                                                    defer:NO];
    [_updateWindow setReleasedWhenClosed:NO];
    content = [_updateWindow contentView];
    [content setAutoresizesSubviews:YES];
    _updateCmtTxt = Label(content, NSMakeRect(20, 250, 440, 40));
    [_updateCmtTxt setAutoresizingMask:NSViewWidthSizable];
    _updateWdwWarningImgView =
        [[[NSImageView alloc] initWithFrame:NSMakeRect(20, 190, 48, 48)] autorelease];
    [content addSubview:_updateWdwWarningImgView];
    _attentionCmtTxt =
        [[[NSTextView alloc] initWithFrame:NSMakeRect(80, 130, 380, 110)] autorelease];
    [_attentionCmtTxt setDrawsBackground:NO];
    [_attentionCmtTxt setVerticallyResizable:YES];
    [_attentionCmtTxt setAutoresizingMask:NSViewWidthSizable];
    [content addSubview:_attentionCmtTxt];
    _progressAnimation =
        [[[NSProgressIndicator alloc] initWithFrame:NSMakeRect(20, 90, 440, 16)] autorelease];
    [_progressAnimation setIndeterminate:YES];
    [_progressAnimation setAutoresizingMask:NSViewWidthSizable];
    [content addSubview:_progressAnimation];
    _progressCmtTxt = Label(content, NSMakeRect(20, 55, 440, 22));
    [_progressCmtTxt setAutoresizingMask:NSViewWidthSizable];
    _updatePrg =
        [[[NSProgressIndicator alloc] initWithFrame:NSMakeRect(20, 25, 440, 16)] autorelease];
    [_updatePrg setIndeterminate:NO];
    [_updatePrg setMinValue:0];
    [_updatePrg setMaxValue:100];
    [_updatePrg setAutoresizingMask:NSViewWidthSizable];
    [content addSubview:_updatePrg];
}

@end
