// Firmware table: one dictionary per image under the column identifiers; rows cannot be chosen.
#import "FirmwareList.h"

@implementation FirmwareList

- (id)init {
    if ((self = [super init]) != nil)
        _firmwares = [[NSMutableArray alloc] init];
    return self;
}

- (void)dealloc {
    [_firmwares release];
    [super dealloc];
}

- (void)addFirmwareList:(NSString*)type Version:(NSString*)version {
    [_firmwares addObject:[NSDictionary dictionaryWithObjectsAndKeys:type, @"FirmwareType", version,
                                                                     @"FirmwareVersion", nil]];
}

- (int)numOfFirmware {
    return (int)[_firmwares count];
}

- (NSInteger)numberOfRowsInTableView:(NSTableView*)tableView {
    return [_firmwares count];
}

- (id)tableView:(NSTableView*)tableView
    objectValueForTableColumn:(NSTableColumn*)column
                          row:(NSInteger)row {
    return [[_firmwares objectAtIndex:row] objectForKey:[column identifier]];
}

- (BOOL)tableView:(NSTableView*)tableView shouldSelectRow:(NSInteger)row {
    return NO;
}

@end
