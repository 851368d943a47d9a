/*
 * dvcmg.h - DVCMG, a singly linked list of device nodes drawn from a
 * private pool, and DVCNODE, its node. Used for the enumeration list, the
 * device-table manager's entry list and the managers' temporary lists.
 *
 * No lock of its own: the owner synchronises (ENMMG under pmtxEnum).
 */
#ifndef DVCMG_H
#define DVCMG_H

#include <stdint.h>

#include "voziri.h"

enum { cchNodePathMax = 1024, cnodePoolGrow = 64 };

struct DVCNODE {
    char szDvcPath[cchNodePathMax];   /* manager's device path (network: "ip:port") */
    EDVC edvc;
    DVCNODE *pnodeNext;
};

class DVCMG {
public:
    constexpr DVCMG() : pnodeFree(nullptr), pnodeUsed(nullptr), cnodeFree(0), cnodeUsed(0) {}

    int FInit();
    int Term();
    int FGetDvc(int inode, DVC *pdvc) const;
    int FGetEdvc(int inode, EDVC *pedvc) const;
    int FGetNode(int inode, DVCNODE *pnode) const;
    int FAddNode(const DVCNODE *pnode);
    int FModNode(int inode, const DVCNODE *pnode);
    int FClear();
    int FFindDvc(uint32_t tpt, const char *szName) const;
    int CdvcMac() const { return cnodeUsed; }

private:
    DVCMG(const DVCMG &) = delete;
    DVCMG &operator=(const DVCMG &) = delete;
    int FGrowPool();
    DVCNODE *PnodeFromIndex(int inode) const;

    DVCNODE *pnodeFree;
    DVCNODE *pnodeUsed;
    int32_t cnodeFree;
    int32_t cnodeUsed;
};

/* Copy a record with every text field terminated inside its room. */
void CopyDvcBounded(DVC *pdvcDst, const DVC *pdvcSrc);

#endif /* DVCMG_H */
