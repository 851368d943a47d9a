// Control ids of the Miravo2 memory page's dialog (template 102), shared by
// the page and the plug-in's resources.
#ifndef VWMEMIDS_H
#define VWMEMIDS_H

#define IDD_VWMEM           102
#define IDC_MEM_WRITE       1003
#define IDC_MEM_READ        1004
#define IDC_MEM_VERIFY      1005
#define IDC_MEM_FLASH       1089
#define IDC_MEM_READFILE    1098
#define IDC_MEM_WRITEFILE   1099
#define IDC_MEM_READBROWSE  1100
#define IDC_MEM_WRITEBROWSE 1101
#define IDC_MEM_WRITESTART  1104
#define IDC_MEM_WRITERADIX  1109
#define IDC_MEM_CANCEL      1110
#define IDC_MEM_READRADIX   1111
#define IDC_MEM_READGROUP   1112
#define IDC_MEM_WRITEGROUP  1113
#define IDC_MEM_WRITESTARTT 1114
#define IDC_MEM_ERASE       1115
#define IDC_MEM_READSTART   1116
#define IDC_MEM_READLENGTH  1117
#define IDC_MEM_READSTARTT  1118
#define IDC_MEM_READLENGTHT 1119
#define IDC_MEM_RAM         1121

#endif
