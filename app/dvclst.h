// DVCLST: the devices the device manager enumerates, in combo-box order, and
// the selected one.
//
// The connect bar's combo box lists device i as item i. FEnum refills the
// list and the combo; the selection follows the device, not the index: when
// the selected board moves to another index it stays selected there, and
// when it is gone nothing is selected until the user's next choice
// (FTakeSelection). Other threads read the selected device through PdvcSel,
// which points at a copy that only FTakeSelection and Clear write, so that
// a re-enumeration on the window thread never changes the record under a
// running operation.
#ifndef ORRIN_DVCLST_H
#define ORRIN_DVCLST_H

#include "kelm.h"
#include "ortypes.h"

class APPSET;

enum { cdvcMax = 64, cchDvcInfoMax = 64, cchSerialMax = 32, cchConnShortKey = 15 };

struct DVCENT {
    DVC dvc;                          // name, connection string (KelmGetDvc)
    char szProduct[cchDvcInfoMax];    // information 3
    char szUserName[cchDvcInfoMax];   // information 2
    char szSerial[cchSerialMax];      // information 5
    uint32_t pdid;                    // information 4; replaced after identification
};

// The calls of the device manager that the list makes; the program passes
// Kelm's own functions, the tests a scripted manager.
struct KELMFNS {
    int(KELMCALL *pfnEnumDevicesEx)(int *pcdvc, uint32_t, uint32_t, uint32_t, void *);
    int(KELMCALL *pfnGetDvc)(int idvc, DVC *pdvc);
    int(KELMCALL *pfnGetInfo)(DVC *pdvc, uint32_t kinfo, void *pInfo);
    int(KELMCALL *pfnFreeDvcEnum)(void);
};

// The combo box of the connect bar as the list uses it.
class DVCCOMBO {
public:
    virtual ~DVCCOMBO() = default;
    virtual int IcurGet() = 0;                                // selection, -1 for none
    virtual void GetItemText(int i, char *sz, int cch) = 0;   // "" for a bad index
    virtual void Reset() = 0;
    virtual void AddItem(const char *sz) = 0;
    virtual void SetCurSel(int i) = 0;
};

class DVCLST {
public:
    DVCLST(const KELMFNS *pkelm, APPSET *pappset);

    BOOL FInit();
    // Enumerate and fill the combo. *pfSelChanged tells whether the combo's
    // selection now shows another device than before (the caller then treats
    // a cancelled drop-down as a choice). FALSE when no device was found.
    BOOL FEnum(DVCCOMBO *pcombo, uint8_t *pfSelChanged);
    // Take the combo's selection as the selected device; FALSE when there is none.
    BOOL FTakeSelection(DVCCOMBO *pcombo);
    void SaveLast();

    int Cdvc() const { return cdvc; }
    int IdvcSel() const { return idvcSel; }
    const DVCENT *PdvcentAt(int i) const { return (i >= 0 && i < cdvc) ? &rgdvcent[i] : nullptr; }
    // The selected device, or null; the record stays valid while it is selected.
    const DVC *PdvcSel() const { return idvcSel >= 0 ? &dvcentSel.dvc : nullptr; }
    DVCENT *PdvcentSel() { return idvcSel >= 0 ? &dvcentSel : nullptr; }

    static const char *SzFriendly(const char *szUserName);

private:
    BOOL FQueryInfo(DVCENT *pent);
    static const char *SzKey(const DVCENT *pent);
    static const char *SzCurKey(const DVCENT *pent);

    const KELMFNS *pkelm;
    APPSET *pappset;
    int32_t cdvc;
    DVCENT rgdvcent[cdvcMax];
    int32_t idvcSel;
    DVCENT dvcentSel;   // copy of the selected device's entry
    BOOL fInfoSel;      // the selected device answered every information query
};

#endif
