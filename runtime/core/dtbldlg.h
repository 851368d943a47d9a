/*
 * dtbldlg.h - the device-table dialog (dialog resource 101) behind
 * TvxOpenDvcMg, and its control identifiers. Windows builds only; it uses
 * nothing but the runtime's public functions.
 */
#ifndef DTBLDLG_H
#define DTBLDLG_H

/* Plain macros: the resource compiler reads them too. */
#define iddDvcTbl 101
#define idcTblList 1001
#define idcConnect 1004
#define idcAlias 1005
#define idcEnumList 1006
#define idcTptUsb 1007
#define idcTptNet 1008
#define idcTptPar 1009
#define idcTptSer 1010
#define idcEnumUsb 1013
#define idcEnumNet 1014
#define idcEnumPar 1015
#define idcEnumSer 1016
#define idcPtc1 1017
#define idcPtc2 1018
#define idcPtc3 1019
#define idcPtc4 1020
#define idcPtcAll 1021
#define idcSave 1022
#define idcEnumerate 1027
#define idcRemove 1028
#define idtEnum 1029
#define idcAdd 1030

#ifndef RC_INVOKED
/* Runs the dialog of module hmod, owned by hwndOwner; false when it cannot be shown. */
int FRunDvcTblDialog(void *hmod, void *hwndOwner);
#endif

#endif /* DTBLDLG_H */
