// The wizards' trust: the maker's key compiled in, or none.
#pragma once

struct ZepTrust;

// True, with trust naming only the maker's key and requiring a signature, when the program was
// built with one; false (trust empty) when not: the wizards then load packages as they always did.
bool ZepMakerTrust(ZepTrust& trust);
