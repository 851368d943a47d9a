// Resource ids of the plug-in "008 - Tullen2".
#ifndef BS_TULLEN2_H
#define BS_TULLEN2_H

#define IDB_LOGO          102   // picture
#define IDB_MASK          101   // mask
#define IDS_REGISTRY      105
#define IDS_TESTIMAGE     104
#define IDS_PRODUCT       112   // variant 0, "Unknown"

#endif
