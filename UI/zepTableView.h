// The printer table: a click into an inactive window only activates it.
#pragma once

#import <AppKit/AppKit.h>

@interface zepTableView : NSTableView
@end
