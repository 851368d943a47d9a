// The board table of a board-support plug-in, as data: which views the
// plug-in has, which tabs it lists (its own views' and the program's own),
// its logo bitmaps, its product names by variant and the string ids of the
// data-folder registry path and the board's test image. The eight plug-ins
// differ only in this table and their resources. Nothing here needs
// Windows, so the tables are checked natively.
#ifndef BSTABLE_H
#define BSTABLE_H

#include <stddef.h>
#include <stdint.h>

// The views a plug-in can carry (each is one view class of common/).
enum BSVK {
    bsvkTestOld,     // board self-test, older design
    bsvkTestNew,     // board self-test, newer design
    bsvkPower,       // power meter
    bsvkFlashBpi,    // parallel flash programming
    bsvkFlashSpi,    // SPI flash programming
    bsvkMemory,      // memory read/write
    bsvkMemoryProg,  // memory programming
    bsvkMax
};

// What a view's tab does when the program asks it to stop.
enum BSSTOP {
    bsstopNone,         // runs nothing the program must stop: true at once
    bsstopTest,         // stop the running test
    bsstopRequest,      // ask the test to stop
    bsstopCancelWait,   // cancel and wait for the worker
};

enum { ivHost = -1 };   // a tab of the program's own, asked for by name

struct BSTABDEF {
    uint32_t idsName;   // tab name in the plug-in's string table
    int iview;          // index into the views, or ivHost
    uint32_t idd;       // the view's dialog template (0 for the program's tabs)
    BSSTOP stop;
};

struct BSBOARDDEF {
    uint32_t prodnum;            // the first three characters of the library's name
    const BSTABDEF *rgtab;
    int ctab;
    const BSVK *rgvk;            // views in creation order
    int cview;
    uint32_t idbmpLogo, idbmpMask;
    uint32_t idsProductBase;     // product name of variant v: string idsProductBase + v ...
    int cvariantNamed;           // ... for the variants 0 to cvariantNamed - 1 only
    uint32_t idsRegistry;        // "Software\...\Shared\DataPath"
    uint32_t idsTestImage;       // "\BoardSupport\... - %d.bit"; 0: no test image
};

#define BS_COUNT(rg) static_cast<int>(sizeof(rg) / sizeof((rg)[0]))

// The string of variant ivariant's product name, or 0 when the plug-in has
// no name for that variant (no string is read then: the ids after the names
// belong to other texts).
uint32_t IdsProductOf(const BSBOARDDEF &bsb, int32_t ivariant);

// Whether the tab is offered now: the program's tabs always, a view's tab
// once its view class exists (fViewBuilt).
bool FTabOffered(const BSBOARDDEF &bsb, const BSTABDEF &tab, bool (*fViewBuilt)(BSVK));

#endif
