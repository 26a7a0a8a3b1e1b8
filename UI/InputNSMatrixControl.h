// The address input: one row of cells, each taking only digits up to a width and a largest
// number, moving on to the next cell when one is full.
#pragma once

#import <AppKit/AppKit.h>

typedef enum {
    forIpv4Address = 0,
    forIpv6Address = 1,
} textFieldControlMode;

extern NSString* const ZEPMatrixSelectNotification; // "ZEPMatrixSelect"

@interface InputNSMatrixControl : NSMatrix {
    textFieldControlMode _controlMode;
    int _numOfCell;
    int _maxLength;
    int _maximumValue;
    NSTextView* _textView;
}
- (void)setInputMode:(textFieldControlMode)mode;
- (NSArray*)cellValueArray;
- (void)setCellValue:(NSArray*)values;
// The control's own field editor, handed out by its window's delegate.
- (NSTextView*)fieldEditor;
@end
