// Printer table: the queue's name and its device URI; nothing can be edited.
#import "PrinterList.h"

#import "PrinterInfo.h"

@implementation PrinterList

- (id)init {
    if ((self = [super init]) != nil)
        _printers = [[NSMutableArray alloc] init];
    return self;
}

- (void)dealloc {
    [_printers release];
    [super dealloc];
}

- (NSArray*)printerList {
    return _printers;
}

- (void)setPrinterList:(NSArray*)printers {
    [_printers setArray:printers];
}

- (PrinterInfo*)printerInfoAtIndex:(NSInteger)index {
    if (index < 0 || index >= (NSInteger)[_printers count])
        return nil;
    return [_printers objectAtIndex:index];
}

- (NSInteger)numberOfRowsInTableView:(NSTableView*)tableView {
    return [_printers count];
}

- (id)tableView:(NSTableView*)tableView
    objectValueForTableColumn:(NSTableColumn*)column
                          row:(NSInteger)row {
    PrinterInfo* info = [self printerInfoAtIndex:row];
    if ([[column identifier] isEqual:@"printername"])
        return [info printerName];
    if ([[column identifier] isEqual:@"portname"])
        return [info printerURI];
    return @"";
}

- (BOOL)tableView:(NSTableView*)tableView
    shouldEditTableColumn:(NSTableColumn*)column
                      row:(NSInteger)row {
    return NO;
}

@end
