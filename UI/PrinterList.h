// The offered devices, as the printer table's data source.
#pragma once

#import <AppKit/AppKit.h>

@class PrinterInfo;

@interface PrinterList : NSObject {
    NSMutableArray* _printers;
}
- (NSArray*)printerList;
- (void)setPrinterList:(NSArray*)printers;
- (PrinterInfo*)printerInfoAtIndex:(NSInteger)index;
@end
