// Resource ids of the plug-in "003 - Miravo".
#ifndef BS_MIRAVO_H
#define BS_MIRAVO_H

#define IDB_LOGO          101   // picture
#define IDB_MASK          102   // mask
#define IDS_REGISTRY      105
#define IDS_TESTIMAGE     104
#define IDS_PRODUCT       112   // variant 0, "Unknown"

#endif
