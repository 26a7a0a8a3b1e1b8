// Printer table view.
#import "zepTableView.h"

@implementation zepTableView

- (BOOL)acceptsFirstMouse:(NSEvent*)event {
    return NO;
}

@end
