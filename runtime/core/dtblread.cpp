/*
 * dtblread.cpp - the device-table file's reader.
 */
#include "dtblread.h"

#include <ctype.h>
#include <string.h>

namespace {

bool FEqNoCase(const char *sz1, const char *sz2)
{
    for (; *sz1 && *sz2; sz1++, sz2++) {
        if (tolower((unsigned char)*sz1) != tolower((unsigned char)*sz2))
            return false;
    }
    return *sz1 == *sz2;
}

/* A string value into a fixed field: cut to the field, always terminated. */
void CopyValue(char *szDst, size_t cchDst, const char *szSrc)
{
    size_t cch = strnlen(szSrc, cchDst - 1);
    memcpy(szDst, szSrc, cch);
    memset(szDst + cch, 0, cchDst - cch);
}

enum KEY { keyNone, keyName, keyConn, keyDtp };

KEY KeyFromSz(const char *sz)
{
    if (FEqNoCase(sz, "szName"))
        return keyName;
    if (FEqNoCase(sz, "szConn"))
        return keyConn;
    if (FEqNoCase(sz, "dtp"))
        return keyDtp;
    return keyNone;
}

/*
 * After a key: skip tokens on the same line up to the next operator; after
 * "=" take the value when it has the key's kind. The end of the line ends
 * the search (the key is then ignored) and is left for the block loop.
 */
void ReadKeyValue(TOKRDR *prdr, KEY key, DVC *pdvc)
{
    for (;;) {
        prdr->FNextToken(-1);
        uint32_t tkk = prdr->Kind();
        if (tkk == tkkEol || prdr->FIsEof()) {
            prdr->PushBack();
            return;
        }
        if (tkk == tkkOperator)
            break;
    }
    if (prdr->Opcode() != tokopAssign)
        return;
    uint32_t tkkWant = key == keyDtp ? (uint32_t)tkkNumber : (uint32_t)tkkString;
    if (!prdr->FNextToken((int)tkkWant))
        return;   /* wrong kind: pushed back for the block loop */
    if (key == keyName)
        CopyValue(pdvc->szName, sizeof(pdvc->szName), prdr->SzText());
    else if (key == keyConn)
        CopyValue(pdvc->szConn, sizeof(pdvc->szConn), prdr->SzText());
    else if (prdr->ValueType() == tokvtNumber)
        pdvc->dtp = (uint32_t)prdr->Value();
}

/* The block after "DVC {": until "}" or the end of the file. */
void ReadBlock(TOKRDR *prdr, DVC *pdvc)
{
    for (;;) {
        prdr->FNextToken(-1);
        if (prdr->FIsEof())
            return;
        switch (prdr->Kind()) {
        case tkkEol:
            prdr->FNextLine();
            break;
        case tkkRBrace:
            return;
        case tkkIdent: {
            KEY key = KeyFromSz(prdr->SzText());
            if (key != keyNone)
                ReadKeyValue(prdr, key, pdvc);
            break;
        }
        default:
            break;
        }
    }
}

} // namespace

int FReadDvcBlocks(TOKRDR *prdr, PFNDVCBLOCK pfnBlock, void *pv)
{
    DVC dvc;
    memset(&dvc, 0, sizeof(dvc));
    for (;;) {
        prdr->FNextToken(-1);
        if (prdr->FIsEof())
            return 1;
        uint32_t tkk = prdr->Kind();
        if (tkk == tkkEol) {
            prdr->FNextLine();
            continue;
        }
        if (tkk != tkkIdent || !FEqNoCase(prdr->SzText(), "DVC"))
            continue;
        if (!prdr->FNextToken((int)tkkLBrace))
            return 0;
        ReadBlock(prdr, &dvc);
        if (!pfnBlock(pv, &dvc))
            return 0;
    }
}
