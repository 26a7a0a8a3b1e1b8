// zepmacdrive: walks the macOS window through every page and a whole update, the way a user
// would, and photographs the screen at each step (the demo and the screenshots use it).
// Usage: zepmacdrive PACKAGE ADDRESS SHOTDIR PREFIX [GNUstep arguments, e.g. -NSLanguages
// '(German)'] Exit status 0 when the update ended with the "updated" alert, 1 otherwise.
#import <AppKit/AppKit.h>

#import "InputNSMatrixControl.h"
#import "MainWindowController.h"
#import "ZEP_Utilities.h"
#import "ZepAlert.h"

#include "zepBindInfo.h"

#include <cstdlib>
#include <string>

namespace {

std::string g_shotDir, g_prefix;
int g_shot = 0;
bool g_quit = false;
NSString* g_lastTitle = nil;

void Spin(double seconds) {
    NSDate* end = [NSDate dateWithTimeIntervalSinceNow:seconds];
    while (!g_quit && [end timeIntervalSinceNow] > 0) {
        NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
        [[NSRunLoop currentRunLoop] runMode:NSDefaultRunLoopMode
                                 beforeDate:[NSDate dateWithTimeIntervalSinceNow:0.02]];
        [pool release];
    }
}

void Shoot(const char* name) {
    ++g_shot;
    const std::string file =
        g_shotDir + "/" + g_prefix + std::to_string(g_shot) + "-" + name + ".png";
    std::system(("import -window root '" + file + "' 2>/dev/null").c_str());
}

} // namespace

namespace {

// The real alert panel, shown without its modal loop long enough to be photographed; answered
// with the default button.
int PhotographedAlert(int nStyle, NSString* title, NSString* message, NSString* defaultButton,
                      NSString* otherButton) {
    NSPanel* panel =
        nStyle == ZEP_ALERT_CRITICAL
            ? NSGetCriticalAlertPanel(title, @"%@", defaultButton, otherButton, nil, message)
            : NSGetInformationalAlertPanel(title, @"%@", defaultButton, otherButton, nil, message);
    [panel center];
    [panel orderFrontRegardless];
    [panel display];
    Spin(0.8);
    Shoot(otherButton != nil ? "confirmation" : "result");
    [panel orderOut:nil];
    NSReleaseAlertPanel(panel);
    [g_lastTitle release];
    g_lastTitle = [title copy];
    return ZEP_ALERT_DEFAULT;
}

void Quit() {
    g_quit = true;
}

} // namespace

int main(int argc, char** argv) {
    NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
    if (argc < 5) {
        std::fprintf(stderr, "usage: zepmacdrive PACKAGE ADDRESS SHOTDIR PREFIX [GNUstep args]\n");
        return 2;
    }
    [NSApplication sharedApplication];
    zepBindInfo::SetPackagePath(argv[1]);
    NSArray* address = [[NSString stringWithUTF8String:argv[2]] componentsSeparatedByString:@"."];
    g_shotDir = argv[3];
    g_prefix = argv[4];
    ZepSetAlertHook(PhotographedAlert);
    ZepSetQuitHook(Quit);

    MainWindowController* controller = [[MainWindowController alloc] init];
    [controller show];
    Spin(0.8);
    Shoot("opening");
    [controller showPreferencePage:nil];
    Spin(0.4);
    Shoot("preparation");
    [controller showSelectDevicePage:nil];
    [[controller valueForKey:@"_IPAddressMatrix"] setCellValue:address];
    Spin(0.4);
    Shoot("select");
    [controller inputCheckAndShowPrepPage:nil];
    Spin(0.4);
    Shoot("confirm");
    [controller startUpdate:nil];
    NSProgressIndicator* bar = [controller valueForKey:@"_updatePrg"];
    for (int i = 0; i < 600 && !g_quit && [bar doubleValue] < 20; ++i)
        Spin(0.05);
    if (!g_quit)
        Shoot("progress");
    for (int i = 0; i < 1200 && !g_quit; ++i)
        Spin(0.1);
    const bool bUpdated =
        g_lastTitle != nil &&
        [g_lastTitle isEqualToString:[ZEP_Utilities localizedString:@"NormalEndTitle"]];
    std::printf("%s\n", g_lastTitle != nil ? [g_lastTitle UTF8String] : "(no result)");
    [controller release];
    [pool release];
    return bUpdated ? 0 : 1;
}
