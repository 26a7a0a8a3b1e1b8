// Alerts through the system's alert panels, and quitting through the application object.
#import "ZepAlert.h"

#import <AppKit/AppKit.h>

namespace {

int SystemAlert(int nStyle, NSString* title, NSString* message, NSString* defaultButton,
                NSString* otherButton) {
    NSInteger answer =
        nStyle == ZEP_ALERT_CRITICAL
            ? NSRunCriticalAlertPanel(title, @"%@", defaultButton, otherButton, nil, message)
            : NSRunInformationalAlertPanel(title, @"%@", defaultButton, otherButton, nil, message);
    return answer == NSAlertDefaultReturn ? ZEP_ALERT_DEFAULT : ZEP_ALERT_OTHER;
}

void SystemQuit(void) {
    [NSApp terminate:nil];
}

ZepAlertFn g_alert = SystemAlert;
ZepQuitFn g_quit = SystemQuit;

} // namespace

int ZepRunAlert(int nStyle, NSString* title, NSString* message, NSString* defaultButton,
                NSString* otherButton) {
    return g_alert(nStyle, title, message, defaultButton, otherButton);
}

void ZepQuitApplication(void) {
    g_quit();
}

ZepAlertFn ZepSetAlertHook(ZepAlertFn fn) {
    ZepAlertFn previous = g_alert;
    g_alert = fn != nullptr ? fn : SystemAlert;
    return previous;
}

ZepQuitFn ZepSetQuitHook(ZepQuitFn fn) {
    ZepQuitFn previous = g_quit;
    g_quit = fn != nullptr ? fn : SystemQuit;
    return previous;
}
