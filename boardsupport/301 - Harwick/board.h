// Resource ids of the plug-in "301 - Harwick".
#ifndef BS_HARWICK_H
#define BS_HARWICK_H

#define IDB_LOGO          101   // picture
#define IDB_MASK          102   // mask
#define IDS_REGISTRY      103
#define IDS_PRODUCT       106   // variant 0, "Unknown"

#endif
