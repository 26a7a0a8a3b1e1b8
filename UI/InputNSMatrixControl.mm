// Address input control. The checks run in the field editor's delegate calls, so typing,
// pasting and programmatic insertion are judged alike.
#import "InputNSMatrixControl.h"

#import "ZEP_Utilities.h"

NSString* const ZEPMatrixSelectNotification = @"ZEPMatrixSelect";

@implementation InputNSMatrixControl

- (id)initWithFrame:(NSRect)frame {
    if ((self = [super initWithFrame:frame]) != nil) {
        _maxLength = 0;
        _maximumValue = 0;
    }
    return self;
}

- (void)dealloc {
    [_textView release];
    [super dealloc];
}

- (void)awakeFromNib {
    _maxLength = 255;
    _maximumValue = 255;
    if (_textView == nil) {
        _textView = [[NSTextView alloc] initWithFrame:NSZeroRect];
        [_textView setFieldEditor:YES];
        [_textView setDelegate:self];
    }
}

- (NSTextView*)fieldEditor {
    return _textView;
}

- (void)setInputMode:(textFieldControlMode)mode {
    _controlMode = mode;
    if (mode == forIpv4Address) {
        _maxLength = 3;
        _maximumValue = 255;
        _numOfCell = 4;
    }
}

- (NSArray*)cellValueArray {
    [self validateEditing];
    NSMutableArray* values = [NSMutableArray array];
    NSArray* cells = [self cells];
    for (NSUInteger i = 0; i < [cells count]; ++i)
        [values addObject:[NSString stringWithFormat:@"%d", [[cells objectAtIndex:i] intValue]]];
    return values;
}

- (void)setCellValue:(NSArray*)values {
    [self abortEditing];
    NSArray* cells = [self cells];
    for (NSUInteger i = 0; i < [cells count] && i < [values count]; ++i)
        [[cells objectAtIndex:i] setStringValue:[values objectAtIndex:i]];
}

- (BOOL)becomeFirstResponder {
    BOOL accepted = [super becomeFirstResponder];
    [[NSNotificationCenter defaultCenter] postNotificationName:ZEPMatrixSelectNotification
                                                        object:self];
    return accepted;
}

- (BOOL)textView:(NSTextView*)textView
    shouldChangeTextInRange:(NSRange)range
          replacementString:(NSString*)replacement {
    if (replacement == nil)
        return YES; // attributes only
    NSCharacterSet* digits = [NSCharacterSet decimalDigitCharacterSet];
    for (NSUInteger i = 0; i < [replacement length]; ++i) {
        const unichar c = [replacement characterAtIndex:i];
        if (c < '0' || c > '9' || ![digits characterIsMember:c])
            return NO;
    }
    NSString* after = [[textView string] stringByReplacingCharactersInRange:range
                                                                 withString:replacement];
    if ([ZEP_Utilities stringByteCount:after] > _maxLength) {
        NSBeep();
        return NO;
    }
    return YES;
}

- (void)textDidChange:(NSNotification*)notification {
    [super textDidChange:notification];
    NSTextView* editor = [notification object];
    NSString* text = [editor string];
    if ([text intValue] > _maximumValue) {
        [editor setString:[NSString stringWithFormat:@"%d", _maximumValue]];
        [[editor undoManager] removeAllActions];
        text = [editor string];
    }
    const NSInteger column = [self selectedColumn];
    if ((int)[text length] >= _maxLength && column >= 0 && column + 1 < [self numberOfColumns])
        [self selectTextAtRow:0 column:column + 1];
}

@end
