// Resource ids of the program: string table, dialogs, menus, accelerators,
// controls and commands. Shared by the code and the resource script.
#ifndef ORRIN_RESOURCE_H
#define ORRIN_RESOURCE_H

// Strings.
#define IDS_MAINCLASS        101
#define IDS_TITLE            102
#define IDS_SCCLASS          103
#define IDS_NODEVICES        104
#define IDS_REG_DVCLAST      108
#define IDS_REG_DATAPATH     112
#define IDS_REG_CONFIGFILE   115
#define IDS_REG_DATAFILE     116
#define IDS_REG_SHOWRPTWIN   117
#define IDS_REG_INITSCSTRT   118
#define IDS_LOADINGBOARD     119
#define IDS_FMT_DECIMAL      120
#define IDS_FMT_HEX          121
#define IDS_FMT_BINARY       122
#define IDS_FMT_SIGNED       123
#define IDS_BS_NOLOAD        125
#define IDS_BS_NOFIND        126
#define IDS_BS_NODEFAULT     127
#define IDS_BS_LOADED        128
#define IDS_BS_DEFAULT       129
#define IDS_BS_NOAUTOINIT    130
#define IDS_REV_SYSTEM       138
#define IDS_REV_RUNTIME      139
#define IDS_REV_APP          140
#define IDS_REG_REVRUNTIME   142
#define IDS_REG_REVSYSTEM    143
#define IDS_VERPREFIX        144
#define IDS_NOTICE           145
#define IDS_INTERNALERROR    146
#define IDS_KIND_FPGA        105   // 106 PROM, 107 CPLD
#define IDS_ADDR_BOUNDS      131
#define IDS_DATA_BOUNDS      132
#define IDS_NOT_A_VALUE      133
#define IDS_IOEX_INVALID     134
#define IDS_IOEX_NOTEST      135
#define IDS_IOEX_STARTED     136
#define IDS_BAD_LENGTH       137
#define IDS_FILE_READOK      328
#define IDS_FILE_NOOPEN      329
#define IDS_FILE_WRITEFAIL   330
#define IDS_FILE_READFAIL    331
#define IDS_FILE_UPLOADOK    332
#define IDS_BAD_ADDRESS      419
#define IDS_BAD_DATA         420
#define IDS_BAD_START        422
#define IDS_BAD_FILENAME     423
#define IDS_XFER_REFUSED     424
#define IDS_NO_MEMORY        425
#define IDS_REG_REFUSED      426
#define IDS_PAGE_CONFIG      200
#define IDS_PAGE_REGIO       201
#define IDS_PAGE_FILEIO      202
#define IDS_PAGE_IOEX        203
#define IDS_PAGE_SETTINGS    204
#define IDS_BANNER           300

// Accelerators, menus, icon.
#define IDA_MAIN             106
#define IDM_DEVICE           109
#define IDM_MAIN             113   // loaded at start-up; the resources do not contain it
#define IDI_MAIN             116

// Dialog templates.
#define IDD_SCDVC            110   // scan-chain device row
#define IDD_LOOPID           112   // "Loop Device ID"
#define IDD_SETTINGS         114
#define IDD_CONNECT          115
#define IDD_FILEIO           120
#define IDD_CONFIG           200
#define IDD_REGIO            201
#define IDD_IOEX             205

// Commands.
#define IDC_CMD_COPY         40008
#define IDC_CMD_CUT          40007
#define IDC_CMD_PASTE        40009
#define IDC_CMD_DELETE       40010
#define IDC_CMD_ESCAPE       40024
#define IDC_MENU_PROGRAM     40018
#define IDC_MENU_ERASE       40019
#define IDC_MENU_GETID       40022
#define IDC_MENU_LOOPID      40023

// Controls of the Settings page (114).
#define IDC_SET_DVCMG        1001
#define IDC_SET_CLEARSTATUS  1002
#define IDC_SET_CLEARHIST    1003
#define IDC_SET_POWER        1004
#define IDC_SET_AUTOINIT     1018
#define IDC_SET_HIDESTATUS   1019
#define IDC_SET_SLOWPROG     1020

// Controls of the scan-chain device row (110).
#define IDC_ROW_BROWSE       1001
#define IDC_ROW_PROGRAM      1002
#define IDC_ROW_COMBO        1003
#define IDC_ROW_BADGE        1007

// Controls of the Config page (200).
#define IDC_CFG_INITCHAIN    1001

// Commands of the scan-chain rows to their view.
#define IDC_SC_BROWSE        1074
#define IDC_SC_REFILL        1075
#define IDC_SC_ASSOCIATE     1076
#define IDC_SC_PROGRAM       1077
#define IDC_SC_ERASE         1078
#define IDC_SC_GETID         1080
#define IDC_SC_LOOPID        1081

// Controls of the Register I/O page (201): row r adds r.
#define IDC_REG_READ0        1001
#define IDC_REG_WRITE0       1009
#define IDC_REG_BIN          1023
#define IDC_REG_DEC          1024
#define IDC_REG_HEX          1025
#define IDC_REG_DATA0        1030
#define IDC_REG_WDATA0       1038
#define IDC_REG_READALL      1046
#define IDC_REG_WRITEALL     1047
#define IDC_REG_ADDR0        50001

// Controls of the File I/O page (120).
#define IDC_FILE_DLBROWSE    1002
#define IDC_FILE_DOWNLOAD    1003
#define IDC_FILE_UPLOAD      1004
#define IDC_FILE_START       1048
#define IDC_FILE_REG         1049
#define IDC_FILE_LENGTH      1050
#define IDC_FILE_APPEND      1051
#define IDC_FILE_REPLACE     1053
#define IDC_FILE_OVERWRITE   1054
#define IDC_FILE_ULCOMBO     1060
#define IDC_FILE_DLCOMBO     1126
#define IDC_FILE_ULBROWSE    1127
#define IDC_FILE_STARTGRP    1128
#define IDC_FILE_ENTIRE      1129

// Controls of the I/O Ex page (205).
#define IDC_IOEX_START       1006
#define IDC_IOEX_SEND        1007
#define IDC_IOEX_STOP        1009
#define IDC_IOEX_FROMFPGA    1054
#define IDC_IOEX_FORMAT      1058
#define IDC_IOEX_TOFPGA      1139
#define IDC_IOEX_STATUS      1195

// Controls of the loop dialog (112).
#define IDC_LOOP_COUNT       1008
#define IDC_LOOP_RUN         1009

// Controls of the connect bar (115).
#define IDC_CONN_COMBO       1011
#define IDC_CONN_PRODUCT     1013
#define IDC_CONN_FRAME       1015
#define IDC_CONN_LABEL       1016
#define IDC_CONN_PRODLABEL   1017

// Children of the main window.
#define IDC_MAIN_TAB         0x1001
#define IDC_MAIN_STATUS      0x1002
#define IDC_MAIN_PROGRESS    0x1003

// Commands between the main window, the worker and the pages.
#define IDC_PAGE_INITCHAIN   1001   // to "Config": automatic chain initialisation
#define IDC_PAGE_IOEXSTOP    1009   // to "I/O Ex" when it is left or removed
#define IDC_DONE_INITCHAIN   1047   // end of a chain initialisation
#define IDC_PAGE_DVCSWITCH   1104   // to the current page after a device switch
#define IDC_PAGE_CLEARHIST   1105   // to "Config" and "File I/O": histories cleared

#endif
