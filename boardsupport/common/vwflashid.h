// Control ids of the flash programming page (dialog template 112), shared
// by the view and the plug-ins' resource scripts.
#ifndef VWFLASHID_H
#define VWFLASHID_H

#define IDD_FLASH             112
#define IDC_FL_PROGFILE       1098
#define IDC_FL_READFILE       1099
#define IDC_FL_WRITEFILE      1100
#define IDC_FL_ADDR           1101
#define IDC_FL_BROWSEPROG     1122
#define IDC_FL_BROWSEREAD     1123
#define IDC_FL_PROGRAM        1124
#define IDC_FL_CANCEL         1125
#define IDC_FL_WIDTH          1126
#define IDC_FL_READ           1127
#define IDC_FL_CONFIGRESET    1128
#define IDC_FL_ERASE          1129
#define IDC_FL_BPI            1130
#define IDC_FL_WRITE          1131
#define IDC_FL_BROWSEWRITE    1132
#define IDC_FL_RADIX          1134
#define IDC_FL_VERIFYPROG     1003
#define IDC_FL_VERIFYWRITE    1004

#endif
