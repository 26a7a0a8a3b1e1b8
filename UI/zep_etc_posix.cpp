// GNUstep on other systems stands in for macOS: it reports the highest version the 'sysv'
// query can express (10.9 and every later release report 0x1090), so any package that runs on
// a current macOS runs here.
long zepQuerySystemVersion(void) {
    return 0x1090;
}
