/*
 * dvcmg.cpp - the pooled device-node list.
 */
#include "dvcmg.h"

#include <string.h>

#include <new>

#include "vzcore.h"

namespace {

DVCNODE *PnodeNew()
{
    DVCNODE *pnode = new (std::nothrow) DVCNODE;
    if (pnode)
        memset(pnode, 0, sizeof(*pnode));
    return pnode;
}

} // namespace

void CopyDvcBounded(DVC *pdvcDst, const DVC *pdvcSrc)
{
    memmove(pdvcDst, pdvcSrc, sizeof(DVC));
    pdvcDst->szName[cchDvcNameMax - 1] = '\0';
    pdvcDst->szConn[cchConnMax - 1] = '\0';
}

int DVCMG::FGrowPool()
{
    DVCNODE *pnodeHead = nullptr;
    for (int i = 0; i < cnodePoolGrow; i++) {
        DVCNODE *pnode = PnodeNew();
        if (pnode == nullptr) {
            while (pnodeHead) {
                DVCNODE *pnodeNext = pnodeHead->pnodeNext;
                delete pnodeHead;
                pnodeHead = pnodeNext;
            }
            return 0;
        }
        pnode->pnodeNext = pnodeHead;
        pnodeHead = pnode;
    }
    /* Put the new nodes in front of what is still free. */
    DVCNODE *pnodeTail = pnodeHead;
    while (pnodeTail->pnodeNext)
        pnodeTail = pnodeTail->pnodeNext;
    pnodeTail->pnodeNext = pnodeFree;
    pnodeFree = pnodeHead;
    cnodeFree += cnodePoolGrow;
    return 1;
}

int DVCMG::FInit()
{
    pnodeFree = nullptr;
    pnodeUsed = nullptr;
    cnodeFree = 0;
    cnodeUsed = 0;
    return FGrowPool();
}

int DVCMG::Term()
{
    FClear();
    int cnode = 0;
    while (pnodeFree) {
        DVCNODE *pnodeNext = pnodeFree->pnodeNext;
        delete pnodeFree;
        pnodeFree = pnodeNext;
        cnode++;
    }
    cnodeFree = 0;
    return cnode;
}

DVCNODE *DVCMG::PnodeFromIndex(int inode) const
{
    if (inode < 0 || inode >= cnodeUsed)
        return nullptr;
    DVCNODE *pnode = pnodeUsed;
    for (int i = 0; pnode && i < inode; i++)
        pnode = pnode->pnodeNext;
    return pnode;
}

int DVCMG::FGetDvc(int inode, DVC *pdvc) const
{
    DVCNODE *pnode = PnodeFromIndex(inode);
    if (pnode == nullptr || pdvc == nullptr)
        return 0;
    memcpy(pdvc, &pnode->edvc.dvc, sizeof(DVC));
    return 1;
}

int DVCMG::FGetEdvc(int inode, EDVC *pedvc) const
{
    DVCNODE *pnode = PnodeFromIndex(inode);
    if (pnode == nullptr || pedvc == nullptr)
        return 0;
    memcpy(pedvc, &pnode->edvc, sizeof(EDVC));
    return 1;
}

int DVCMG::FGetNode(int inode, DVCNODE *pnodeOut) const
{
    DVCNODE *pnode = PnodeFromIndex(inode);
    if (pnode == nullptr || pnodeOut == nullptr)
        return 0;
    memcpy(pnodeOut->szDvcPath, pnode->szDvcPath, sizeof(pnode->szDvcPath));
    memcpy(&pnodeOut->edvc, &pnode->edvc, sizeof(EDVC));
    pnodeOut->pnodeNext = nullptr;
    return 1;
}

int DVCMG::FAddNode(const DVCNODE *pnodeIn)
{
    if (pnodeIn == nullptr)
        return 0;
    if (pnodeFree == nullptr && !FGrowPool())
        return 0;
    DVCNODE *pnode = pnodeFree;
    pnodeFree = pnode->pnodeNext;
    memcpy(pnode->szDvcPath, pnodeIn->szDvcPath, sizeof(pnode->szDvcPath));
    pnode->szDvcPath[cchNodePathMax - 1] = '\0';
    memcpy(&pnode->edvc, &pnodeIn->edvc, sizeof(EDVC));
    pnode->pnodeNext = nullptr;
    DVCNODE **ppnode = &pnodeUsed;
    while (*ppnode)
        ppnode = &(*ppnode)->pnodeNext;
    *ppnode = pnode;
    cnodeFree--;
    cnodeUsed++;
    return 1;
}

int DVCMG::FModNode(int inode, const DVCNODE *pnodeIn)
{
    DVCNODE *pnode = PnodeFromIndex(inode);
    if (pnode == nullptr || pnodeIn == nullptr)
        return 0;
    memcpy(pnode->szDvcPath, pnodeIn->szDvcPath, sizeof(pnode->szDvcPath));
    pnode->szDvcPath[cchNodePathMax - 1] = '\0';
    memcpy(&pnode->edvc, &pnodeIn->edvc, sizeof(EDVC));
    return 1;
}

int DVCMG::FClear()
{
    while (pnodeUsed) {
        DVCNODE *pnode = pnodeUsed;
        pnodeUsed = pnode->pnodeNext;
        memset(pnode, 0, sizeof(*pnode));
        pnode->pnodeNext = pnodeFree;
        pnodeFree = pnode;
        cnodeFree++;
    }
    cnodeUsed = 0;
    return 1;
}

int DVCMG::FFindDvc(uint32_t tpt, const char *szName) const
{
    if (szName == nullptr)
        return 0;
    for (DVCNODE *pnode = pnodeUsed; pnode; pnode = pnode->pnodeNext) {
        const DVC &dvc = pnode->edvc.dvc;
        if ((dvc.dtp & 0xFFFF) == (tpt & 0xFFFF) && strncmp(dvc.szName, szName, cchDvcNameMax) == 0)
            return 1;
    }
    return 0;
}
