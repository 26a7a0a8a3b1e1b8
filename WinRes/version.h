// The project's version as a resource string. The build passes ZEP_VERSION_TEXT bare, since
// windres loses quotes given on its command line.
#pragma once

#define ZEP_STRING_(x) #x
#define ZEP_STRING(x) ZEP_STRING_(x)
#define ZEP_VERSION_STRING ZEP_STRING(ZEP_VERSION_TEXT)
