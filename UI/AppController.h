// The application's delegate: makes the window controller and shows the main window.
#pragma once

#import <AppKit/AppKit.h>

@class MainWindowController;

@interface AppController : NSObject {
    MainWindowController* _mainwindowController;
}
@end
