// DVCLST: enumeration into the connect bar and the selection (see dvclst.h).

#include "dvclst.h"

#include <string.h>

#include "appset.h"
#include "strtext.h"

namespace {

struct FRIENDLY {
    const char *szUserName;
    const char *szText;
};

const FRIENDLY rgfriendly[] = {
    {"VOnbUsb", "Onboard USB"},
    {"VModUsb", "USB2 Module"},
    {"VCabUsb", "Harwick"},
};

} // namespace

DVCLST::DVCLST(const KELMFNS *pkelm, APPSET *pappset)
    : pkelm(pkelm), pappset(pappset), cdvc(0), rgdvcent(), idvcSel(-1), dvcentSel(), fInfoSel(FALSE)
{
}

BOOL DVCLST::FInit()
{
    cdvc = 0;
    memset(rgdvcent, 0, sizeof(rgdvcent));
    idvcSel = -1;
    memset(&dvcentSel, 0, sizeof(dvcentSel));
    return TRUE;
}

const char *DVCLST::SzFriendly(const char *szUserName)
{
    for (const FRIENDLY &fr : rgfriendly)
        if (strcmp(fr.szUserName, szUserName) == 0)
            return fr.szText;
    return szUserName;
}

// The key that finds a device again: its serial number when it has one,
// otherwise its connection string.
const char *DVCLST::SzKey(const DVCENT *pent)
{
    return pent->szSerial[0] != '\0' ? pent->szSerial : pent->dvc.szConn;
}

// The key the combo's current item is found again by after an enumeration:
// as SzKey, except that a device without serial number whose connection
// string has exactly 15 characters has the empty key, which any device
// without serial number and with the same item text matches.
const char *DVCLST::SzCurKey(const DVCENT *pent)
{
    if (pent->szSerial[0] == '\0' && strlen(pent->dvc.szConn) == cchConnShortKey)
        return "";
    return SzKey(pent);
}

// Product name, user name, serial number and product identifier, in this
// order, stopping at the first that fails. The fields start empty, so that a
// failed query never leaves the value of another device behind.
BOOL DVCLST::FQueryInfo(DVCENT *pent)
{
    pent->szProduct[0] = pent->szUserName[0] = pent->szSerial[0] = '\0';
    pent->pdid = 0;
    char szProduct[cchDvcInfoMax] = {}, szUser[cchDvcInfoMax] = {}, szSerial[cchSerialMax] = {};
    uint32_t pdid = 0;
    BOOL fOk = pkelm->pfnGetInfo(&pent->dvc, kinfoProductName, szProduct) &&
               pkelm->pfnGetInfo(&pent->dvc, kinfoUserName, szUser) &&
               pkelm->pfnGetInfo(&pent->dvc, kinfoSerial, szSerial) &&
               pkelm->pfnGetInfo(&pent->dvc, kinfoPdid, &pdid);
    memcpy(pent->szProduct, szProduct, sizeof(szProduct) - 1);
    memcpy(pent->szUserName, szUser, sizeof(szUser) - 1);
    memcpy(pent->szSerial, szSerial, sizeof(szSerial) - 1);
    pent->pdid = pdid;
    return fOk;
}

BOOL DVCLST::FEnum(DVCCOMBO *pcombo, uint8_t *pfSelChanged)
{
    char szDvcLast[cchPathMax + 1] = "";
    pappset->FGetDvcLast(szDvcLast);
    *pfSelChanged = 0;

    // The device the combo shows now, found again by its text and its key.
    int icur = pcombo->IcurGet();
    char szCurText[cchDvcInfoMax] = "";
    char szCurKey[cchPathMax + 1] = "";
    if (icur >= 0 && icur < cdvc) {
        pcombo->GetItemText(icur, szCurText, sizeof(szCurText));
        strcpy(szCurKey, SzCurKey(&rgdvcent[icur]));
    } else {
        icur = -1;
    }
    // The selected device, followed to its new index below.
    char szSelKey[cchPathMax + 1] = "";
    if (idvcSel >= 0)
        strcpy(szSelKey, SzKey(&dvcentSel));

    pcombo->Reset();
    int cdvcFound = 0;
    if (!pkelm->pfnEnumDevicesEx(&cdvcFound, 1, 3, 0, 0) || cdvcFound <= 0) {
        cdvc = 0;
        pcombo->AddItem(SZ_NO_DEVICES);
        pcombo->SetCurSel(0);
        pkelm->pfnFreeDvcEnum();
        *pfSelChanged = 1;
        idvcSel = -1;
        return FALSE;
    }
    cdvc = cdvcFound < cdvcMax ? cdvcFound : cdvcMax;

    int imatch = -1, isel = -1;
    for (int i = 0; i < cdvc; i++) {
        DVCENT *pent = &rgdvcent[i];
        memset(&pent->dvc, 0, sizeof(pent->dvc));
        pkelm->pfnGetDvc(i, &pent->dvc);
        pent->dvc.szName[sizeof(pent->dvc.szName) - 1] = '\0';
        pent->dvc.szConn[sizeof(pent->dvc.szConn) - 1] = '\0';
        BOOL fInfo = FQueryInfo(pent);
        const char *szText = fInfo ? SzFriendly(pent->szUserName) : pent->dvc.szName;
        if (icur == -1 && szDvcLast[0] != '\0' &&
            strcmp(fInfo ? pent->szSerial : pent->dvc.szConn, szDvcLast) == 0)
            imatch = i;
        pcombo->AddItem(szText);
        if (icur != -1 && strcmp(szText, szCurText) == 0 &&
            (strcmp(pent->dvc.szConn, szCurKey) == 0 || strcmp(pent->szSerial, szCurKey) == 0)) {
            imatch = i;
            pcombo->SetCurSel(i);
        }
        if (idvcSel >= 0 && strcmp(SzKey(pent), szSelKey) == 0)
            isel = i;
    }
    pkelm->pfnFreeDvcEnum();

    if (imatch == -1 || icur == -1) {
        pcombo->SetCurSel(imatch == -1 ? 0 : imatch);
        *pfSelChanged = 1;
    }
    // The selected board keeps its selection at its new index; a board that
    // is gone leaves no selection rather than the board now at its old index.
    idvcSel = isel;
    return TRUE;
}

BOOL DVCLST::FTakeSelection(DVCCOMBO *pcombo)
{
    int i = pcombo->IcurGet();
    if (i >= 0 && i < cdvc) {
        idvcSel = i;
        dvcentSel = rgdvcent[i];
        return TRUE;
    }
    idvcSel = -1;
    return FALSE;
}

void DVCLST::SaveLast()
{
    if (idvcSel < 0)
        return;
    if (dvcentSel.szSerial[0] != '\0')
        pappset->SetDvcLast(dvcentSel.szSerial);
    else if (dvcentSel.dvc.szConn[0] != '\0')
        pappset->SetDvcLast(dvcentSel.dvc.szConn);
}
