// Application controller. The window controller is made once the application has finished
// launching, so that the start-up alert runs inside a running application.
#import "AppController.h"

#import "MainWindowController.h"

@implementation AppController

- (void)dealloc {
    [_mainwindowController release];
    [super dealloc];
}

- (void)awakeFromNib {
    [_mainwindowController show];
}

- (void)applicationDidFinishLaunching:(NSNotification*)notification {
    _mainwindowController = [[MainWindowController alloc] init];
    [self awakeFromNib];
}

- (BOOL)applicationShouldTerminateAfterLastWindowClosed:(NSApplication*)app {
    return NO;
}

@end
