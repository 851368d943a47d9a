// Basic types of the program's portable parts: the Windows BOOL where the
// Windows headers exist, the same int-sized truth value elsewhere, so that the
// settings, number texts and device list build and test natively too.
#ifndef ORRIN_ORTYPES_H
#define ORRIN_ORTYPES_H

#include <stdint.h>

#if defined(_WIN32)
#  include <windows.h>
#else
typedef int BOOL;
#  ifndef TRUE
#    define TRUE 1
#  endif
#  ifndef FALSE
#    define FALSE 0
#  endif
#endif

enum { cchPathMax = 260 };   // longest path or registry text, without its terminator

#endif
