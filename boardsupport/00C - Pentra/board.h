// Resource ids of the plug-in "00C - Pentra".
#ifndef BS_PENTRA_H
#define BS_PENTRA_H

#define IDB_LOGO          106   // picture
#define IDB_MASK          107   // mask
#define IDS_REGISTRY      5
#define IDS_TESTIMAGE     4
#define IDS_PRODUCT       106   // variant 0, "Unknown"
#define IDD_TEST          101   // the self-test page

#endif
