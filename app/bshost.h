// The board-support plug-in records as the host holds them (BSINIT, DBS,
// BSLOGO and the entry points it binds by name) come from the plug-in
// interface's public header, shared with the plug-ins.
#ifndef ORRIN_BSHOST_H
#define ORRIN_BSHOST_H

#include <windows.h>

#include "bsplug.h"

#endif
