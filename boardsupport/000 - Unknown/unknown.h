// Resource ids of the plug-in "000 - Unknown".
#ifndef BS_UNKNOWN_H
#define BS_UNKNOWN_H

#define IDB_LOGO          101
#define IDB_MASK          102
#define IDS_REGISTRY      103
#define IDS_TAB_CONFIG    104
#define IDS_TAB_REGIO     105
#define IDS_TAB_FILEIO    106
#define IDS_TAB_IOEX      107
#define IDS_TAB_SETTINGS  108
#define IDS_PRODUCT       110   // variant 0

#endif
