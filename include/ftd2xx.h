/*
 * ftd2xx.h - the D2XX driver library of FTDI's USB chips: functions, types
 * and constants under FTDI's published names, calling convention (WINAPI)
 * and argument widths.
 *
 * Our stand-in (platform/ftd2xx) serves the simulated FTDI chips of korsim
 * (KOR_SIM="127.0.0.1:PORT"); without KOR_SIM it sees no devices. Callers
 * load the library by name at run time and bind these functions; a user
 * with FTDI's own library of the same name uses that instead, so nothing
 * outside the stand-in relies on more than this header.
 *
 * Where D2XX leaves a detail to the platform, the stand-in does this:
 *  - FT_Read waits until all requested bytes are there or the read time-out
 *    of FT_SetTimeouts has passed; a read time-out of 0 (the default) does
 *    not wait: the call returns what is there. FT_Write takes all bytes.
 *  - FT_EE_Program rewrites identity and strings and keeps EEPROM word 0
 *    (channel types and drivers) and as much of the user area as fits.
 */
#ifndef FTD2XX_H
#define FTD2XX_H

#if defined(_WIN32)
#  include <windows.h>
#  if defined(FTD2XX_EXPORTS)
#    define FTD2XX_API __declspec(dllexport)
#  else
#    define FTD2XX_API __declspec(dllimport)
#  endif
#else
#  include <stdint.h>
#  define FTD2XX_API __attribute__((visibility("default")))
#  ifndef WINAPI
#    define WINAPI
#  endif
typedef uint32_t DWORD;
typedef uint32_t ULONG;
typedef uint16_t WORD;
typedef uint16_t USHORT;
typedef uint8_t UCHAR;
typedef int32_t LONG;
typedef int BOOL;
typedef char CHAR;
typedef void *PVOID;
typedef void *LPVOID;
typedef DWORD *LPDWORD;
typedef WORD *LPWORD;
typedef UCHAR *PUCHAR;
typedef CHAR *PCHAR;
typedef LONG *LPLONG;
#endif

typedef PVOID FT_HANDLE;
typedef ULONG FT_STATUS;
typedef ULONG FT_DEVICE;

enum {
    FT_OK = 0,
    FT_INVALID_HANDLE = 1,
    FT_DEVICE_NOT_FOUND = 2,
    FT_DEVICE_NOT_OPENED = 3,
    FT_IO_ERROR = 4,
    FT_INSUFFICIENT_RESOURCES = 5,
    FT_INVALID_PARAMETER = 6,
    FT_INVALID_BAUD_RATE = 7,
    FT_DEVICE_NOT_OPENED_FOR_ERASE = 8,
    FT_DEVICE_NOT_OPENED_FOR_WRITE = 9,
    FT_FAILED_TO_WRITE_DEVICE = 10,
    FT_EEPROM_READ_FAILED = 11,
    FT_EEPROM_WRITE_FAILED = 12,
    FT_EEPROM_ERASE_FAILED = 13,
    FT_EEPROM_NOT_PRESENT = 14,
    FT_EEPROM_NOT_PROGRAMMED = 15,
    FT_INVALID_ARGS = 16,
    FT_NOT_SUPPORTED = 17,
    FT_OTHER_ERROR = 18,
    FT_DEVICE_LIST_NOT_READY = 19,
};

/* FT_OpenEx and FT_ListDevices flags */
#define FT_OPEN_BY_SERIAL_NUMBER 1
#define FT_OPEN_BY_DESCRIPTION 2
#define FT_OPEN_BY_LOCATION 4
#define FT_LIST_NUMBER_ONLY 0x80000000
#define FT_LIST_BY_INDEX 0x40000000
#define FT_LIST_ALL 0x20000000

/* Device types */
enum {
    FT_DEVICE_BM = 0,
    FT_DEVICE_AM = 1,
    FT_DEVICE_100AX = 2,
    FT_DEVICE_UNKNOWN = 3,
    FT_DEVICE_2232C = 4,
    FT_DEVICE_232R = 5,
    FT_DEVICE_2232H = 6,
    FT_DEVICE_4232H = 7,
    FT_DEVICE_232H = 8,
};

/* FT_GetDeviceInfoDetail flags */
#define FT_FLAGS_OPENED 1
#define FT_FLAGS_HISPEED 2

/* FT_Purge */
#define FT_PURGE_RX 1
#define FT_PURGE_TX 2

/* FT_SetFlowControl */
#define FT_FLOW_NONE 0x0000
#define FT_FLOW_RTS_CTS 0x0100
#define FT_FLOW_DTR_DSR 0x0200
#define FT_FLOW_XON_XOFF 0x0400

/* FT_SetBitMode */
#define FT_BITMODE_RESET 0x00
#define FT_BITMODE_ASYNC_BITBANG 0x01
#define FT_BITMODE_MPSSE 0x02
#define FT_BITMODE_SYNC_BITBANG 0x04
#define FT_BITMODE_MCU_HOST 0x08
#define FT_BITMODE_FAST_SERIAL 0x10
#define FT_BITMODE_CBUS_BITBANG 0x20
#define FT_BITMODE_SYNC_FIFO 0x40

typedef struct _ft_device_list_info_node {
    ULONG Flags;
    ULONG Type;
    ULONG ID;
    DWORD LocId;
    char SerialNumber[16];
    char Description[64];
    FT_HANDLE ftHandle;
} FT_DEVICE_LIST_INFO_NODE;

/* EEPROM program data; Version says how far the record goes (0 to 6). */
typedef struct ft_program_data {
    DWORD Signature1;           /* 0x00000000 */
    DWORD Signature2;           /* 0xFFFFFFFF */
    DWORD Version;
    WORD VendorId;
    WORD ProductId;
    char *Manufacturer;
    char *ManufacturerId;
    char *Description;
    char *SerialNumber;
    WORD MaxPower;              /* mA */
    WORD PnP;
    WORD SelfPowered;
    WORD RemoteWakeup;
    /* version 1 (FT232B) */
    UCHAR Rev4;
    UCHAR IsoIn;
    UCHAR IsoOut;
    UCHAR PullDownEnable;
    UCHAR SerNumEnable;
    UCHAR USBVersionEnable;
    WORD USBVersion;
    /* version 2 (FT2232) */
    UCHAR Rev5;
    UCHAR IsoInA;
    UCHAR IsoInB;
    UCHAR IsoOutA;
    UCHAR IsoOutB;
    UCHAR PullDownEnable5;
    UCHAR SerNumEnable5;
    UCHAR USBVersionEnable5;
    WORD USBVersion5;
    UCHAR AIsHighCurrent;
    UCHAR BIsHighCurrent;
    UCHAR IFAIsFifo;
    UCHAR IFAIsFifoTar;
    UCHAR IFAIsFastSer;
    UCHAR AIsVCP;
    UCHAR IFBIsFifo;
    UCHAR IFBIsFifoTar;
    UCHAR IFBIsFastSer;
    UCHAR BIsVCP;
    /* version 3 (FT232R) */
    UCHAR UseExtOsc;
    UCHAR HighDriveIOs;
    UCHAR EndpointSize;
    UCHAR PullDownEnableR;
    UCHAR SerNumEnableR;
    UCHAR InvertTXD;
    UCHAR InvertRXD;
    UCHAR InvertRTS;
    UCHAR InvertCTS;
    UCHAR InvertDTR;
    UCHAR InvertDSR;
    UCHAR InvertDCD;
    UCHAR InvertRI;
    UCHAR Cbus0;
    UCHAR Cbus1;
    UCHAR Cbus2;
    UCHAR Cbus3;
    UCHAR Cbus4;
    UCHAR RIsD2XX;
    /* version 4 (FT2232H) */
    UCHAR PullDownEnable7;
    UCHAR SerNumEnable7;
    UCHAR ALSlowSlew;
    UCHAR ALSchmittInput;
    UCHAR ALDriveCurrent;
    UCHAR AHSlowSlew;
    UCHAR AHSchmittInput;
    UCHAR AHDriveCurrent;
    UCHAR BLSlowSlew;
    UCHAR BLSchmittInput;
    UCHAR BLDriveCurrent;
    UCHAR BHSlowSlew;
    UCHAR BHSchmittInput;
    UCHAR BHDriveCurrent;
    UCHAR IFAIsFifo7;
    UCHAR IFAIsFifoTar7;
    UCHAR IFAIsFastSer7;
    UCHAR AIsVCP7;
    UCHAR IFBIsFifo7;
    UCHAR IFBIsFifoTar7;
    UCHAR IFBIsFastSer7;
    UCHAR BIsVCP7;
    UCHAR PowerSaveEnable;
    /* version 5 (FT4232H) */
    UCHAR PullDownEnable8;
    UCHAR SerNumEnable8;
    UCHAR ASlowSlew;
    UCHAR ASchmittInput;
    UCHAR ADriveCurrent;
    UCHAR BSlowSlew;
    UCHAR BSchmittInput;
    UCHAR BDriveCurrent;
    UCHAR CSlowSlew;
    UCHAR CSchmittInput;
    UCHAR CDriveCurrent;
    UCHAR DSlowSlew;
    UCHAR DSchmittInput;
    UCHAR DDriveCurrent;
    UCHAR ARIIsTXDEN;
    UCHAR BRIIsTXDEN;
    UCHAR CRIIsTXDEN;
    UCHAR DRIIsTXDEN;
    UCHAR AIsVCP8;
    UCHAR BIsVCP8;
    UCHAR CIsVCP8;
    UCHAR DIsVCP8;
    /* version 6 (FT232H) */
    UCHAR PullDownEnableH;
    UCHAR SerNumEnableH;
    UCHAR ACSlowSlewH;
    UCHAR ACSchmittInputH;
    UCHAR ACDriveCurrentH;
    UCHAR ADSlowSlewH;
    UCHAR ADSchmittInputH;
    UCHAR ADDriveCurrentH;
    UCHAR Cbus0H;
    UCHAR Cbus1H;
    UCHAR Cbus2H;
    UCHAR Cbus3H;
    UCHAR Cbus4H;
    UCHAR Cbus5H;
    UCHAR Cbus6H;
    UCHAR Cbus7H;
    UCHAR Cbus8H;
    UCHAR Cbus9H;
    UCHAR IsFifoH;
    UCHAR IsFifoTarH;
    UCHAR IsFastSerH;
    UCHAR IsFT1248H;
    UCHAR FT1248CpolH;
    UCHAR FT1248LsbH;
    UCHAR FT1248FlowControlH;
    UCHAR IsVCPH;
    UCHAR PowerSaveEnableH;
} FT_PROGRAM_DATA, *PFT_PROGRAM_DATA;

#ifdef __cplusplus
extern "C" {
#endif

FTD2XX_API FT_STATUS WINAPI FT_Open(int deviceNumber, FT_HANDLE *pHandle);
FTD2XX_API FT_STATUS WINAPI FT_OpenEx(PVOID pArg1, DWORD Flags, FT_HANDLE *pHandle);
FTD2XX_API FT_STATUS WINAPI FT_ListDevices(PVOID pArg1, PVOID pArg2, DWORD Flags);
FTD2XX_API FT_STATUS WINAPI FT_Close(FT_HANDLE ftHandle);
FTD2XX_API FT_STATUS WINAPI FT_Read(FT_HANDLE ftHandle, LPVOID lpBuffer, DWORD dwBytesToRead,
                                    LPDWORD lpBytesReturned);
FTD2XX_API FT_STATUS WINAPI FT_Write(FT_HANDLE ftHandle, LPVOID lpBuffer, DWORD dwBytesToWrite,
                                     LPDWORD lpBytesWritten);
FTD2XX_API FT_STATUS WINAPI FT_SetBaudRate(FT_HANDLE ftHandle, ULONG BaudRate);
FTD2XX_API FT_STATUS WINAPI FT_SetFlowControl(FT_HANDLE ftHandle, USHORT FlowControl, UCHAR XonChar,
                                              UCHAR XoffChar);
FTD2XX_API FT_STATUS WINAPI FT_ResetDevice(FT_HANDLE ftHandle);
FTD2XX_API FT_STATUS WINAPI FT_SetTimeouts(FT_HANDLE ftHandle, ULONG ReadTimeout, ULONG WriteTimeout);
FTD2XX_API FT_STATUS WINAPI FT_GetQueueStatus(FT_HANDLE ftHandle, DWORD *dwRxBytes);
FTD2XX_API FT_STATUS WINAPI FT_Purge(FT_HANDLE ftHandle, ULONG Mask);
FTD2XX_API FT_STATUS WINAPI FT_SetChars(FT_HANDLE ftHandle, UCHAR EventChar, UCHAR EventCharEnabled,
                                        UCHAR ErrorChar, UCHAR ErrorCharEnabled);
FTD2XX_API FT_STATUS WINAPI FT_SetLatencyTimer(FT_HANDLE ftHandle, UCHAR ucLatency);
FTD2XX_API FT_STATUS WINAPI FT_GetLatencyTimer(FT_HANDLE ftHandle, PUCHAR pucLatency);
FTD2XX_API FT_STATUS WINAPI FT_SetBitMode(FT_HANDLE ftHandle, UCHAR ucMask, UCHAR ucEnable);
FTD2XX_API FT_STATUS WINAPI FT_GetBitMode(FT_HANDLE ftHandle, PUCHAR pucMode);
FTD2XX_API FT_STATUS WINAPI FT_SetUSBParameters(FT_HANDLE ftHandle, ULONG ulInTransferSize,
                                                ULONG ulOutTransferSize);
FTD2XX_API FT_STATUS WINAPI FT_GetDeviceInfo(FT_HANDLE ftHandle, FT_DEVICE *lpftDevice, LPDWORD lpdwID,
                                             PCHAR SerialNumber, PCHAR Description, LPVOID Dummy);
FTD2XX_API FT_STATUS WINAPI FT_CreateDeviceInfoList(LPDWORD lpdwNumDevs);
FTD2XX_API FT_STATUS WINAPI FT_GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE *pDest, LPDWORD lpdwNumDevs);
FTD2XX_API FT_STATUS WINAPI FT_GetDeviceInfoDetail(DWORD dwIndex, LPDWORD lpdwFlags, LPDWORD lpdwType,
                                                   LPDWORD lpdwID, LPDWORD lpdwLocId, LPVOID lpSerialNumber,
                                                   LPVOID lpDescription, FT_HANDLE *pftHandle);
FTD2XX_API FT_STATUS WINAPI FT_ReadEE(FT_HANDLE ftHandle, DWORD dwWordOffset, LPWORD lpwValue);
FTD2XX_API FT_STATUS WINAPI FT_WriteEE(FT_HANDLE ftHandle, DWORD dwWordOffset, WORD wValue);
FTD2XX_API FT_STATUS WINAPI FT_EraseEE(FT_HANDLE ftHandle);
FTD2XX_API FT_STATUS WINAPI FT_EE_Program(FT_HANDLE ftHandle, PFT_PROGRAM_DATA pData);
FTD2XX_API FT_STATUS WINAPI FT_EE_Read(FT_HANDLE ftHandle, PFT_PROGRAM_DATA pData);
FTD2XX_API FT_STATUS WINAPI FT_EE_UASize(FT_HANDLE ftHandle, LPDWORD lpdwSize);
FTD2XX_API FT_STATUS WINAPI FT_EE_UAWrite(FT_HANDLE ftHandle, PUCHAR pucData, DWORD dwDataLen);
FTD2XX_API FT_STATUS WINAPI FT_EE_UARead(FT_HANDLE ftHandle, PUCHAR pucData, DWORD dwDataLen,
                                         LPDWORD lpdwBytesRead);
FTD2XX_API FT_STATUS WINAPI FT_CyclePort(FT_HANDLE ftHandle);
FTD2XX_API FT_STATUS WINAPI FT_GetLibraryVersion(LPDWORD lpdwVersion);

#ifdef __cplusplus
}
#endif

#endif /* FTD2XX_H */
