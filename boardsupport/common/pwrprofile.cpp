// The two boards' power profiles (pwrprofile.h).

#include "pwrprofile.h"

const PWRPROFILE g_pwrCorvale = {
    true,
    {"3.3V", "1.8V", "1.0V", "2.5V"},
    {3.3, 1.8, 1.0, 2.5},
    {1098, 1101, 1104, 1107},
    {1099, 1102, 1105, 1108},
    {1100, 1103, 1106, 1109},
    "3.3V Voltage,Current,Power,1.8V Voltage,Current,Power,1.0V Voltage,Current,Power,2.5V Voltage,Current,Power\n",
    {1113, 1115, 1116, 1114},
    {1003, 1011, 1015, 1007},
    {{1004, 1012, 1016, 1008}, {1005, 1013, 1017, 1009}, {1006, 1014, 1018, 1010}},
    3,
    16,
    0,
};

const PWRPROFILE g_pwrPentra = {
    false,
    {"3.3V", "2.5V", "1.8V", "1.2V"},
    {3.3, 2.5, 1.8, 1.2},
    {0, 0, 0, 0},
    {1099, 1101, 1103, 1107},
    {1100, 1102, 1108, 1106},
    "3.3V Current,Power,2.5V Current,Power,1.8V Current,Power,1.2V Current,Power\n",
    {1113, 1114, 1115, 1116},
    {1003, 1007, 1011, 1015},
    {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}},
    2,
    8,
    4,
};
