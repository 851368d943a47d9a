// Resource ids of the test plug-in "0AA - Probe".
#ifndef BS_PROBE_H
#define BS_PROBE_H

#define IDB_LOGO          101
#define IDB_MASK          102
#define IDS_REGISTRY      103
#define IDS_TAB_CONFIG    104
#define IDS_TAB_REGIO     105
#define IDS_TAB_FILEIO    106
#define IDS_TAB_IOEX      107
#define IDS_TAB_SETTINGS  108
#define IDS_TAB_PROBE     109
#define IDS_PRODUCT       110   // variant 0; 111 variant 1

#define IDD_PROBE         120
#define IDC_PROBE_PATH    3001
#define IDC_PROBE_CONFIG  3002
#define IDC_PROBE_RESULT  3003

#endif
