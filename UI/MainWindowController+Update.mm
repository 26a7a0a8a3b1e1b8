// The update window: starts the worker with the chosen device, follows its record on a timer,
// and ends the run with one alert telling the outcome.
#import "MainWindowController.h"

#import "FirmwareList.h"
#import "PrinterInfo.h"
#import "ZEP_Utilities.h"
#import "ZepAlert.h"
#import "zepParseController.h"

#include "zepMacProgressRules.h"

static NSTimeInterval g_statusTimerInterval = 1.0;

static NSString* L(NSString* key) {
    return [ZEP_Utilities localizedString:key];
}

// A status text with its one number; the text itself is never read as a format.
static NSString* StatusText(const MacProgressView& view) {
    NSString* text = L([NSString stringWithUTF8String:view.pszStatusKey]);
    if (!view.bNumbered)
        return text;
    return [text
        stringByReplacingOccurrencesOfString:@"%d"
                                  withString:[NSString
                                                 stringWithFormat:@"%u", (unsigned)view.dwNumber]];
}

@implementation MainWindowController (Update)

+ (void)setStatusTimerInterval:(NSTimeInterval)seconds {
    g_statusTimerInterval = seconds;
}

// Widens the status line to its widest text and lets the precaution fit its text view.
- (void)layoutUpdateWindow {
    NSDictionary* attributes = [NSDictionary dictionaryWithObject:[_progressCmtTxt font]
                                                           forKey:NSFontAttributeName];
    CGFloat widest = 0;
    for (int i = 0; i < 5; ++i) {
        NSString* text = L([NSString stringWithUTF8String:kMacStatusKeysForWidth[i]]);
        text = [text stringByReplacingOccurrencesOfString:@"%d" withString:@"9"];
        widest = MAX(widest, [text sizeWithAttributes:attributes].width + 8);
    }
    NSRect status = [_progressCmtTxt frame];
    const CGFloat grow = MAX(0, widest - status.size.width);
    NSRect frame = [_updateWindow frame];
    frame.size.width += grow;
    [_updateWindow setFrame:frame display:NO];
    [_attentionCmtTxt setEditable:NO];
    [_attentionCmtTxt setSelectable:NO];
    [_attentionCmtTxt sizeToFit];
}

- (void)startUpdate {
    [_mainwindow orderOut:self];
    [self layoutUpdateWindow];
    [_updateWindow center];
    [_updateWindow makeKeyAndOrderFront:self];
    [_progressAnimation startAnimation:self];
    [_progressCmtTxt setStringValue:L(@"State_Connection")];
    [_updateWdwWarningImgView
        setImage:[ZEP_Utilities getSystemIcon:@"caut" size:[_updateWdwWarningImgView frame].size]];
    [_updatePrg setDoubleValue:0];

    _zepThread = zep_thread_create();
    if (_zepThread == nullptr) {
        [self endUpdate:RESULT_ERR_SYSTEM];
        return;
    }
    const bool bQueue = [[_targetPrinterInfo printerID] length] != 0;
    NSString* uri = [_targetPrinterInfo printerURI];
    if (bQueue) {
        if ([uri hasPrefix:@"net:"])
            uri = [@"lpd://" stringByAppendingString:[uri substringFromIndex:4]];
        if (![uri hasSuffix:@"/"] && [uri rangeOfString:@"lpd://"].location != NSNotFound)
            uri = [uri stringByAppendingString:@"/"];
        [_targetPrinterInfo setPrinterURI:uri];
        _strUpdatePrinterName = [[_targetPrinterInfo printerID] UTF8String];
    } else {
        _strUpdatePrinterName.clear();
    }
    _strUpdatePortName = [uri UTF8String];
    _progressRules = new MacProgressWindow((unsigned)[_firmware_list numOfFirmware]);
    zepThread_UpdateStart(_zepThread, bQueue ? &_strUpdatePrinterName[0] : nullptr,
                          &_strUpdatePortName[0],
                          static_cast<unsigned short>([zepParseController getPortNo]));
    zepThread_SetPolling(_zepThread, 500);
    _updateStatusTimer = [[NSTimer scheduledTimerWithTimeInterval:g_statusTimerInterval
                                                           target:self
                                                         selector:@selector(updateStatusTimerFunc:)
                                                         userInfo:nil
                                                          repeats:YES] retain];
}

- (void)updateStatusTimerFunc:(NSTimer*)timer {
    tag_devinfo info;
    if (_zepThread == nullptr || !zepThread_CheckState(_zepThread, &info))
        return;
    MacProgressWindow* rules = static_cast<MacProgressWindow*>(_progressRules);
    if (rules->Tick(info)) {
        [self endUpdate:rules->Result()];
        return;
    }
    [_progressCmtTxt setStringValue:StatusText(rules->View())];
    [_updatePrg setDoubleValue:rules->View().dBar];
    [_updateWindow display];
}

- (void)endUpdate:(int)nResult {
    const int needExit = [zepParseController getNeedExitOperation];
    [_updateStatusTimer invalidate];
    [_updateStatusTimer release];
    _updateStatusTimer = nil;
    if (_zepThread != nullptr) {
        zepThread_StopThread(_zepThread);
        zep_thread_delete(_zepThread);
        _zepThread = nullptr;
    }
    delete static_cast<MacProgressWindow*>(_progressRules);
    _progressRules = nullptr;
    const MacResultAlert alert = MacResultAlertFor(nResult, static_cast<yesno_type>(needExit));
    [_progressAnimation stopAnimation:self];
    [_updateWindow orderOut:self];
    ZepRunAlert(alert.bCritical ? ZEP_ALERT_CRITICAL : ZEP_ALERT_INFORMATIONAL,
                L([NSString stringWithUTF8String:alert.pszTitleKey]),
                L([NSString stringWithUTF8String:alert.pszMessageKey]), L(@"OK"), nil);
    ZepQuitApplication();
}

@end
