// The one way the macOS window shows an alert and quits the application, so that tests can
// answer alerts without a modal loop and survive the quit.
#pragma once

#import <Foundation/Foundation.h>

enum ZepAlertStyle {
    ZEP_ALERT_CRITICAL = 0,
    ZEP_ALERT_INFORMATIONAL = 1,
};

// Answers: ZEP_ALERT_DEFAULT for the default button, ZEP_ALERT_OTHER for the other one.
enum {
    ZEP_ALERT_OTHER = 0,
    ZEP_ALERT_DEFAULT = 1,
};

typedef int (*ZepAlertFn)(int nStyle, NSString* title, NSString* message, NSString* defaultButton,
                          NSString* otherButton);
typedef void (*ZepQuitFn)(void);

// otherButton may be nil. The message is shown as it is, never read as a format.
int ZepRunAlert(int nStyle, NSString* title, NSString* message, NSString* defaultButton,
                NSString* otherButton);
void ZepQuitApplication(void);

// Replace the alert or the quit (null restores the real one); each returns the previous one.
ZepAlertFn ZepSetAlertHook(ZepAlertFn fn);
ZepQuitFn ZepSetQuitHook(ZepQuitFn fn);
