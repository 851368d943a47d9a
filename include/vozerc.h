/*
 * vozerc.h - error codes of the device-communication runtime.
 *
 * Every public function of the runtime reports failure by its result and
 * leaves one of these codes in the process's last error (TvxGetLastError).
 * Codes 1 to 12 double as the status codes devices put in status packets;
 * device codes 13 to 47 are passed through as they are and have no name of
 * their own here (TvxSzFromErc names 14 to 47 "ercDeviceError").
 */
#ifndef VOZERC_H
#define VOZERC_H

enum {
    ercNoErc = 0,
    ercNotSupported = 1,
    ercTransferCancelled = 2,
    ercCapabilityConflict = 3,
    ercCapabilityNotEnabled = 4,
    ercEppAddressTimeout = 5,
    ercEppDataTimeout = 6,
    ercDataSndLess = 7,
    ercDataRcvLess = 8,
    ercDataRcvMore = 9,
    ercDataSndLessRcvLess = 10,
    ercDataSndLessRcvMore = 11,
    ercInvalidPort = 12,

    ercAlreadyOpened = 1024,
    ercInvalidHif = 1025,
    ercInvalidParameter = 1026,
    ercTransferPending = 1031,
    ercApiLockTimeout = 1032,
    ercPortConflict = 1033,

    ercNameResolutionFailed = 3060,
    ercHostUnreachable = 3061,
    ercConnectionTimeout = 3062,
    ercAuthenticationFailed = 3063,
    ercConnectionFailed = 3072,
    ercConnectionIsNotSecure = 3073,
    ercControlTransferFailed = 3075,
    ercCmdSendFailed = 3076,
    ercStsReceiveFailed = 3077,
    ercInsufficientResources = 3078,
    ercInvalidTFP = 3079,
    ercInternalError = 3080,
    ercTooManyOpenedDevices = 3081,
    ercConfigFileError = 3082,
    ercDeviceNotConnected = 3083,
    /* Recorded by the runtime but without a row in the name table. */
    ercEnumListNotFree = 3084,
    ercDeviceNotSupported = 3086,
    ercDeviceInUse = 3087,
    ercCorruptInstallation = 3088,
    ercYorlInitFailed = 3089,
    ercVoziriInitFailed = 3090,
};

/* Room TvxSzFromErc needs in its two buffers, terminating NUL included. */
enum {
    cchErcNameMax = 48,
    cchErcMsgMax = 128,
};

#endif /* VOZERC_H */
