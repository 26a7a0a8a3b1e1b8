// Small helpers of the macOS window: text width, the system encoding, system icons and the
// printer daemon's queue addresses as Cocoa objects.
#pragma once

#import <AppKit/AppKit.h>

#include "lumd_conf_access.h"

@interface ZEP_Utilities : NSObject
// 1 for every character from space to tilde, 2 for any other.
+ (int)stringByteCount:(NSString*)text;
+ (NSStringEncoding)systemEncoding;
// A system icon of a four-character type ("note", "caut") drawn at the size; nil when there is
// none.
+ (NSImage*)getSystemIcon:(NSString*)type size:(NSSize)size;
// The address lumd.conf in the driver folder records for a queue (signature first), or nil.
+ (NSString*)getPrinterAddressFromID:(NSString*)queueId folderPath:(NSString*)folder;
// The connection kind of a device URI; the signature found, or nil.
+ (void)getConnectionTypeFromURI:(NSString*)
                             uri:(printer_connection_type*)pConType
                                :(NSString**)pSignature;
// The window's texts: the main bundle's localized string for a key.
+ (NSString*)localizedString:(NSString*)key;
@end
