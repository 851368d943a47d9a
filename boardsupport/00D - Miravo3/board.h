// Resource ids of the plug-in "00D - Miravo3".
#ifndef BS_MIRAVO3_H
#define BS_MIRAVO3_H

#define IDB_LOGO          106   // picture
#define IDB_MASK          107   // mask
#define IDS_REGISTRY      5
#define IDS_TESTIMAGE     4
#define IDS_PRODUCT       106   // variant 0, "Unknown"
#define IDD_TEST          101   // the self-test page

#endif
