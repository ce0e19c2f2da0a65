/*
 * uZyvSDK: the application interface to the two-channel USB oscilloscopes.
 *
 * Every function returns int32 1 for success and 0 for failure unless its
 * comment says otherwise; the reason of a failure stays in the library-wide
 * LastError until uZyvSDKGetErrorCodeEx reads it. Calls must not overlap:
 * the library takes no lock.
 *
 * On the 32-bit Windows DLL every function uses the __stdcall convention and
 * is exported under its plain name. Setting values that carry an address are
 * pointer-sized (uZyvValue): int32 on the 32-bit DLL, 64 bits on 64-bit hosts.
 */
#ifndef UZYVSDK_H
#define UZYVSDK_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#  define UZYV_CALL __stdcall
#else
#  define UZYV_CALL
#endif

#if defined(UZYV_BUILDING_LIBRARY) && !defined(_WIN32)
#  define UZYV_API __attribute__((visibility("default")))
#else
#  define UZYV_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* A setting value: an integer, or the address of a block for the settings
 * that take one (sample rate, trigger record, times, positions). */
typedef intptr_t uZyvValue;

/* ------------------------------------------------------------------------
 * LastError codes. 24 to 27, 38 and 39 are never reported.
 * ------------------------------------------------------------------------ */
enum uZyvErrorCode {
  UZYV_OK = 0,                    /* no error recorded */
  UZYV_ERR_POINTER = 1,           /* null or unwritable pointer, text null or too long; runtime code 5 */
  UZYV_ERR_VALUE = 2,             /* a value argument outside its allowed range */
  UZYV_ERR_CHANNEL = 3,           /* channel index out of range */
  UZYV_ERR_DEVICE = 4,            /* device index outside 0 .. device count - 1 */
  UZYV_ERR_VOLTDIV = 5,           /* volts/div not in the list; runtime code 2 */
  UZYV_ERR_POSITION = 6,          /* vertical position or offset out of range */
  UZYV_ERR_TRIGGER_POSITION = 7,  /* trigger position beyond half the record; runtime code 6 */
  UZYV_ERR_RUNTIME_7 = 8,         /* runtime code 7 */
  UZYV_ERR_RUNTIME_8 = 9,         /* runtime code 8 */
  UZYV_ERR_TRIGGER_KIND = 10,     /* trigger kind needs the extended product; runtime code 9 */
  UZYV_ERR_RUNTIME_10 = 11,       /* runtime code 10 */
  UZYV_ERR_RUNTIME_11 = 12,       /* runtime code 11 */
  UZYV_ERR_RECORD_LENGTH = 13,    /* record length not a multiple of 8 (or negative); runtime code 3 */
  UZYV_ERR_HW_VERSION = 14,       /* hardware-version query failed; runtime codes 99 and 4 */
  UZYV_ERR_RUNTIME = 15,          /* measurement engine without channels; any other runtime code */
  UZYV_ERR_RUNTIME_1 = 16,        /* runtime code 1 */
  UZYV_ERR_MASK = 17,             /* mask parameters do not fit; runtime code 2 (extended product) */
  UZYV_ERR_MEAS_TYPE = 18,        /* measurement type not accepted */
  UZYV_ERR_MEAS_RANGE = 19,       /* measurement range refused */
  UZYV_ERR_MEAS_RUN = 20,         /* the measurement run failed */
  UZYV_ERR_GROUP_INDEX = 21,      /* group index above 19 */
  UZYV_ERR_RUNTIME_FILE = 22,     /* runtime file missing, too old, no version; group preparation failed */
  UZYV_ERR_RUNTIME_ENTRIES = 23,  /* the runtime's entry points are not available */
  UZYV_ERR_NOT_OPEN = 28,         /* library not started, or current group not open */
  UZYV_ERR_NO_GROUP = 29,         /* current group slot empty */
  UZYV_ERR_SETTINGS_FILE = 30,    /* settings file cannot be opened or read */
  UZYV_ERR_RUNTIME_17 = 31,       /* runtime code 17 */
  UZYV_ERR_RUNTIME_18 = 32,       /* runtime code 18 */
  UZYV_ERR_RUNTIME_19 = 33,       /* runtime code 19 */
  UZYV_ERR_STACK_LIST = 34,       /* stack list item over 16 characters or over 20 items */
  UZYV_ERR_STATE = 35,            /* not allowed in the present state */
  UZYV_ERR_RUNTIME_12 = 36,       /* runtime code 12 (extended product) */
  UZYV_ERR_NO_MASK = 37,          /* pass/fail check or read-out without a mask */
  UZYV_ERR_DELAY_TIME = 40,       /* delay time out of range */
  UZYV_ERR_HOLDOFF_TIME = 41      /* holdoff time out of range */
};

/* ------------------------------------------------------------------------
 * Records crossing the interface. Offsets are those of the 32-bit DLL.
 * ------------------------------------------------------------------------ */

/* Capture parameters handed unchanged to the runtime by uZyvSDKCapture; the
 * library reads only the three named fields. */
typedef struct CaptureParams {
  uint8_t runtimeArea0[8];
  int64_t sampleRate;        /* offset 8: samples per second */
  uint8_t runtimeArea1[104];
  int64_t trigPos;           /* offset 120: trigger position, picoseconds */
  uint8_t runtimeArea2[8];
  int32_t recordLength;      /* offset 136: samples per channel */
  uint8_t runtimeArea3[4];
} CaptureParams;

/* Samples and calibration for uZyvSDKMeasurement; [0] is the measured
 * channel, [1] the optional reference. 104 bytes on the 32-bit DLL. */
typedef struct MeasParams {
  int64_t sampleRate;        /* offset 0 */
  int32_t reserved0;         /* offset 8 */
  int32_t reservedCh[2];     /* offset 12 */
  int32_t alignment;         /* offset 20: not read */
  double voltOffset[2];      /* offset 24: volts, subtracted after scaling */
  double zeroLevel[2];       /* offset 40: raw count of 0 V */
  double baseOffset[2];      /* offset 56: millivolts added after scaling */
  double gain[2];            /* offset 72: millivolts per raw count */
  int32_t multiplier[2];     /* offset 88: probe factor */
  int16_t* samples[2];       /* offset 96: [1] may be null */
} MeasParams;

/* ========================================================================
 * The 64-bit Windows DLL (x86-64)
 *
 * uZyvSDK.dll is also built for x86-64 Windows, for 64-bit processes. It has
 * the same 85 functions under the same plain names, with the import library
 * uZyvSDK.lib, and means by every call what the 32-bit DLL means. What
 * differs:
 *
 * - Calling convention: x64 has one; UZYV_CALL (__stdcall) is accepted and
 *   ignored there, and the export names carry no decoration.
 * - uZyvValue is 64 bits. uZyvSDKSetting, uZyvSDKFGSetting and uZyvSDKRead
 *   take it and hand it unchanged, all 64 bits, to the runtime's uZyvSetting
 *   and uZyvRead; an address, such as a setting's value block, is a full
 *   64-bit address. A 32-bit integer passed there keeps its value (it is
 *   sign-extended).
 * - The runtime: Zyvrun.dll in the working folder must itself be an x86-64
 *   DLL with the same entry names, undecorated, whose uZyvSetting and
 *   uZyvRead take a 64-bit value. A 32-bit runtime file fails to load, as
 *   any runtime that cannot be loaded (uZyvSDKSelectGroup: 22).
 * - Records: CaptureParams holds no address and keeps its 144 bytes and
 *   offsets. MeasParams keeps every offset up to samples, whose two
 *   addresses take 8 bytes each: samples[0] at 96, samples[1] at 104, 112
 *   bytes in all.
 *
 * Everything else is as on the 32-bit DLL: int32_t stays 32 bits, the USB
 * handle is 32 bits, the buffer sizes the device information checks are the
 * same, and so are the LastError codes. The arithmetic is the same too
 * (SSE2 doubles, no fused multiply-add), so every result is bit for bit the
 * 32-bit DLL's.
 * ======================================================================== */
#define UZYV_LAYOUT_CHECK(name, holds) typedef char name[(holds) ? 1 : -1]
UZYV_LAYOUT_CHECK(uZyvCaptureParamsLayout, sizeof(CaptureParams) == 144 && offsetof(CaptureParams, trigPos) == 120 &&
                                               offsetof(CaptureParams, recordLength) == 136);
UZYV_LAYOUT_CHECK(uZyvMeasParamsLayout, offsetof(MeasParams, multiplier) == 88 && offsetof(MeasParams, samples) == 96);
UZYV_LAYOUT_CHECK(uZyvMeasParamsSize, sizeof(MeasParams) == (sizeof(void*) == 8 ? 112 : 104));
#undef UZYV_LAYOUT_CHECK
/* ======================================================================== */

/* ------------------------------------------------------------------------
 * Start-up, groups and errors
 * ------------------------------------------------------------------------ */

/* Sets the folder of Zyvrun.dll (a folder, or the runtime file's full path) before the first start-up; 0 with 35 after it, 1 for a null or over-long text, 22 when the file is not there. */
UZYV_API int32_t UZYV_CALL uZyvSDKSetWorkDir(const char* dir);
/* Makes group 0..19 current, preparing its private runtime copy first; 0 with 21 (index), 22 (preparation) or 23 (entry points). */
UZYV_API int32_t UZYV_CALL uZyvSDKSelectGroup(uint32_t group);
/* Passes an environment request (mode 0..2) to the runtime of the closed current group; 0 with 35 (group open), 23, 2 (mode) or the runtime's translated code. */
UZYV_API int32_t UZYV_CALL uZyvSDKSetEnv(uint32_t mode, uint32_t second, uint32_t third);
/* Opens the devices of the current group and sends the defaults; returns the device count, 0 on failure (23, or the code of a failed default) or when none was found. */
UZYV_API int32_t UZYV_CALL uZyvSDKInit(void);
/* As uZyvSDKInit with a comma-separated list of up to 20 items of up to 16 characters (or null); 0 with 34 for a list that does not fit. */
UZYV_API int32_t UZYV_CALL uZyvSDKInitStack(const char* list);
/* Closes the current group; returns the runtime's shutdown result, or 1 when the group was not open. */
UZYV_API int32_t UZYV_CALL uZyvSDKShutdown(void);
/* Returns the device count of the current group (kept after shutdown); 0 before the start-up. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetDeviceCount(void);
/* Returns the current group's runtime error code as the runtime reports it now, untranslated (0 when no runtime is loaded). */
UZYV_API int32_t UZYV_CALL uZyvSDKGetErrorCode(void);
/* Returns LastError and resets it to 0. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetErrorCodeEx(void);

/* ------------------------------------------------------------------------
 * Device information: (device index, buffer); 28/29 guard, 4 device, 1 buffer, or the translated runtime code.
 * ------------------------------------------------------------------------ */

/* Reads hardware information by selector; the buffer must be writable for the selector's size (0,1: 10; 2: 16; 3-6: 4; 7: 48; 10: 8; others: not checked). */
UZYV_API int32_t UZYV_CALL uZyvSDKGetHwInfo(int32_t device, uint32_t selector, void* buffer);
/* Same as uZyvSDKGetHwInfo. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetHwInfoA(int32_t device, uint32_t selector, void* buffer);
/* Same as uZyvSDKGetHwInfo. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetHwInfoB(int32_t device, uint32_t selector, void* buffer);
/* Reads the vendor name into a buffer of 10 bytes. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetVendorName(int32_t device, char* buffer);
/* Reads the product name into a buffer of 10 bytes. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetProductName(int32_t device, char* buffer);
/* Reads the serial number into a buffer of 16 bytes. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetSerialNum(int32_t device, char* buffer);
/* Reads the hardware version. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetHwVer(int32_t device, int32_t* version);
/* Reads the firmware version. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetFwVer(int32_t device, int32_t* version);
/* Reads the product ID (8722 marks the extended product). */
UZYV_API int32_t UZYV_CALL uZyvSDKGetProductID(int32_t device, int32_t* productId);
/* Reads the device's 32-bit USB handle. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetUsbDeviceHandle(int32_t device, uint32_t* handle);
/* Reads the calibration: gain, zero level, base offset of channel 0, then of channel 1 (six doubles). */
UZYV_API int32_t UZYV_CALL uZyvSDKGetCalibrationData(int32_t device, double* calibration);
/* Reads the temperature as the runtime writes it; the buffer is not checked. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetTemperature(int32_t device, void* buffer);

/* ------------------------------------------------------------------------
 * Settings. Setters check their value first (codes below), then the group
 * (28, 29, 28) and channel (3), write the cache and send; a runtime refusal
 * leaves the new value cached and sets the translated runtime code.
 * Getters answer from the cache (28, 29, 28, 3; 0 before the start-up).
 * ------------------------------------------------------------------------ */

/* Forwards (channel 0..2N, id, value) to the runtime unchanged; 3 for a channel outside 0..2N. */
UZYV_API int32_t UZYV_CALL uZyvSDKSetting(int32_t channel, int32_t id, uZyvValue value);
/* Bandwidth limit 0..2 (else 2). */
UZYV_API int32_t UZYV_CALL uZyvSDKSetBWL(int32_t channel, int32_t bwl);
/* Input coupling 0..2 (else 2). */
UZYV_API int32_t UZYV_CALL uZyvSDKSetCoupling(int32_t channel, int32_t coupling);
/* Channel on/off; sends the low 8 bits of onoff, caches nothing. */
UZYV_API int32_t UZYV_CALL uZyvSDKSetChOnOff(int32_t channel, int32_t onoff);
/* Acquire mode 0..5 (else 2). */
UZYV_API int32_t UZYV_CALL uZyvSDKSetAcquireMode(int32_t channel, int32_t mode);
/* Trigger coupling 0..3 (else 2). */
UZYV_API int32_t UZYV_CALL uZyvSDKSetTrigCouple(int32_t couple);
/* Volts/div in microvolts: 2000, 5000, 10000, 20000, 50000, 100000, 200000, 500000, 1000000, 2000000, 5000000 or 10000000 (else 5). */
UZYV_API int32_t UZYV_CALL uZyvSDKSetVoltDiv(int32_t channel, int32_t voltDiv);
/* As uZyvSDKSetVoltDiv, sent under the extended setting ID. */
UZYV_API int32_t UZYV_CALL uZyvSDKSetVoltDivEx(int32_t channel, int32_t voltDiv);
/* Vertical position 0..16000 (else 6). */
UZYV_API int32_t UZYV_CALL uZyvSDKSetVoltPos(int32_t channel, int32_t pos);
/* Vertical offset in microvolts within +-15000000 (+-150000000 above 1000000 uV/div), else 6; the runtime receives it negated. */
UZYV_API int32_t UZYV_CALL uZyvSDKSetVoltOfs(int32_t channel, int32_t ofs);
/* Sample rate in samples per second; not range-checked. */
UZYV_API int32_t UZYV_CALL uZyvSDKSetSampleRate(int64_t rate);
/* Record length in samples per channel: a multiple of 8, not negative (else 13); the runtime is told length + 4096. */
UZYV_API int32_t UZYV_CALL uZyvSDKSetRecordLength(int32_t length);
/* Wait mode 0..3 (else 2); param is used by mode 3 only. */
UZYV_API int32_t UZYV_CALL uZyvSDKSetWaitMode(int32_t mode, int64_t param);
/* Trigger delay time 0..5e13 (else 40). */
UZYV_API int32_t UZYV_CALL uZyvSDKSetDelayTime(int64_t time);
/* Trigger holdoff time 0..1e13 (else 41). */
UZYV_API int32_t UZYV_CALL uZyvSDKSetHoldoffTime(int64_t time);
/* Trigger position in picoseconds; checked against the record at capture start. */
UZYV_API int32_t UZYV_CALL uZyvSDKSetTrigPos(int64_t pos);
/* Sample resolution in bits; returns 1 when the runtime accepts it, 0 without a new LastError when it refuses (28/29 guard only). */
UZYV_API int32_t UZYV_CALL uZyvSDKSetHwBit(int32_t bits);

UZYV_API int32_t UZYV_CALL uZyvSDKGetBWL(int32_t channel, int32_t* bwl);             /* cached bandwidth limit */
UZYV_API int32_t UZYV_CALL uZyvSDKGetCoupling(int32_t channel, int32_t* coupling);   /* cached coupling */
UZYV_API int32_t UZYV_CALL uZyvSDKGetAcquireMode(int32_t channel, int32_t* mode);    /* cached acquire mode */
UZYV_API int32_t UZYV_CALL uZyvSDKGetVoltDiv(int32_t channel, int32_t* voltDiv);     /* cached volts/div */
UZYV_API int32_t UZYV_CALL uZyvSDKGetVoltPos(int32_t channel, int32_t* pos);         /* cached vertical position */
UZYV_API int32_t UZYV_CALL uZyvSDKGetVoltOfs(int32_t channel, int32_t* ofs);         /* cached offset, as given */
UZYV_API int32_t UZYV_CALL uZyvSDKGetTrigCouple(int32_t* couple);                    /* cached trigger coupling */
UZYV_API int32_t UZYV_CALL uZyvSDKGetSampleRate(int64_t* rate);                      /* cached sample rate */
UZYV_API int32_t UZYV_CALL uZyvSDKGetRecordLength(int32_t* length);                  /* cached record length (without 4096) */
UZYV_API int32_t UZYV_CALL uZyvSDKGetWaitMode(int32_t* mode, int64_t* param);        /* cached wait mode and last mode-3 parameter */
UZYV_API int32_t UZYV_CALL uZyvSDKGetDelayTime(int64_t* time);                       /* cached delay time */
UZYV_API int32_t UZYV_CALL uZyvSDKGetHoldoffTime(int64_t* time);                     /* cached holdoff time */
UZYV_API int32_t UZYV_CALL uZyvSDKGetTrigPos(int64_t* pos);                          /* cached trigger position */
UZYV_API int32_t UZYV_CALL uZyvSDKGetHwBit(int32_t* bits);                           /* cached sample resolution */
/* Asks the runtime whether a channel is on: returns 1 (on) or 0 (off, or failure with 28, 29, 4 or the translated code). */
UZYV_API int32_t UZYV_CALL uZyvSDKGetChOnOff(int32_t channel);

/* ------------------------------------------------------------------------
 * Spectrum: works on the caller's numbers alone, without any group.
 * ------------------------------------------------------------------------ */

/* Writes the one-sided amplitude spectrum of the first N samples (N the largest power of two not above count, 1..2048; each of the N/2 bins twice) with window 0 (middle half), 1 Blackman, 2 Hanning, 3 Hamming, 4 Blackman-Harris, 5 Bartlett, 6 sine, 7 Lanczos or 8 Gaussian (another type keeps the window in force, unit weights before any) in scale 0 (linear), 1 (dB re 1 V, input in mV) or 2 (dB re 0.2236 V; another scale writes nothing); 0 with 1 for a null pointer, 0 without a new LastError for count <= 0 or >= 4096. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetFFTData(const double* samples, int32_t count, int32_t scale, int32_t window,
                                             double* spectrum);

/* ------------------------------------------------------------------------
 * Triggers. The setters store the trigger in the current group's cache and
 * send nothing; uZyvSDKCaptureEx sends it, each level taken relative to its
 * source channel's offset at that moment. Sources are channels 0..2 (source
 * 2 without a channel, the external input of a one-device group, has offset
 * 0). Range tests are unsigned, so negative values fail them. 28/29 when the
 * library is not started or the slot is empty (the group need not be open);
 * a refused setter keeps the previous trigger.
 * ------------------------------------------------------------------------ */

/* Edge trigger: mode 0..3 and source 0..2, else 2. */
UZYV_API int32_t UZYV_CALL uZyvSDKSetEdgeTrig(int32_t source, int32_t mode, int64_t level);
/* Video trigger: 0 without a new LastError for a source other than 0 or 1; mode 0..3, else 2. */
UZYV_API int32_t UZYV_CALL uZyvSDKSetVideoTrig(int32_t source, int32_t mode, int32_t value);
/* Runt trigger (extended product only, else 10): 0 without a new LastError for a source other than 0 or 1; selA 0..2, selB 0..3, else 2. */
UZYV_API int32_t UZYV_CALL uZyvSDKSetRuntTrig(int32_t source, int32_t selA, int32_t selB, int32_t value,
                                              int64_t value64, int64_t level, int64_t level2);
/* Width trigger (extended product only, else 10): selA 0..2, source 0..2, selB 0..3, else 2. */
UZYV_API int32_t UZYV_CALL uZyvSDKSetWidthTrig(int32_t source, int32_t selA, int32_t selB, int32_t value,
                                               int64_t value64, int64_t level);
/* Pattern trigger (extended product only, else 10): source and source2 0..2, flag 0..1, else 2. */
UZYV_API int32_t UZYV_CALL uZyvSDKSetPatternTrig(int32_t source, int32_t source2, int32_t value, int32_t value2,
                                                 int32_t flag, int64_t value64, int64_t level, int64_t level2);
/* State trigger (extended product only, else 10): source and source2 0..2, flag 0..1, else 2. */
UZYV_API int32_t UZYV_CALL uZyvSDKSetStateTrig(int32_t source, int32_t source2, int32_t value, int32_t value2,
                                               int32_t flag, int64_t level, int64_t level2);

/* ------------------------------------------------------------------------
 * Capture control, on every device of the current group (28, 29, 28).
 * ------------------------------------------------------------------------ */

/* Arms every channel and starts a capture with the application's block, which the runtime receives unchanged; 1 for a null block, 7 when abs(trigPos) exceeds half the block's record duration, or the translated runtime code. */
UZYV_API int32_t UZYV_CALL uZyvSDKCapture(CaptureParams* params);
/* Arms every channel, checks the cached trigger position (7), sends the cached trigger (its setter's codes) and starts a capture with the cached settings, or sets the translated runtime code. */
UZYV_API int32_t UZYV_CALL uZyvSDKCaptureEx(void);
/* Stops the capture of an open group; 1 also when there is nothing to stop, 0 with the translated runtime code. */
UZYV_API int32_t UZYV_CALL uZyvSDKStop(void);
/* Forces a trigger on every device; returns the AND of the runtime's results, setting the translated runtime code once when it is 0. */
UZYV_API int32_t UZYV_CALL uZyvSDKForceTrig(void);
/* Returns the runtime's status for the value unchanged (0 before a runtime is loaded); LastError is not touched. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetStatus(int32_t value);
/* Returns the runtime's answer unchanged (non-zero: data ready); 0 with 28 or 29 when the group is unusable. */
UZYV_API int32_t UZYV_CALL uZyvSDKDataReady(void);
/* Sends the function-generator setting 0x62170003 with (index, value) through uZyvSDKSetting. */
UZYV_API int32_t UZYV_CALL uZyvSDKFGSetting(int32_t index, uZyvValue value);

/* ------------------------------------------------------------------------
 * Waveforms. A read fills recordLength samples of channel 0, then of
 * channel 1, of one device. Aligned reads shift the record by a fraction of
 * a sample to line it up with the trigger; a shift that puts the record
 * before the data, or more than 2048 samples before or 2047 after its place,
 * is refused: result 0, LastError unchanged, samples not written. Calibration
 * that cannot be read leaves its LastError and reads as 0.
 * ------------------------------------------------------------------------ */

/* Hands the value to the runtime's plain read; 0 with the translated runtime code. */
UZYV_API int32_t UZYV_CALL uZyvSDKRead(uZyvValue value);
/* Reads a device as raw codes into 2 x recordLength samples with each input's zero level, base offset and gain; a null timeOffset asks for aligned data, otherwise the unshifted record and its time offset in picoseconds (device x 364000 ps lower); returns the runtime's read result, 0 with 1 for a null array or unwritable samples, or the translated runtime code. */
UZYV_API int32_t UZYV_CALL uZyvSDKReadExRaw(int32_t device, int32_t* status, int16_t* samples, double* zeroLevels,
                                            double* baseOffsets, double* gains, int32_t* timeOffset);
/* Converts count codes to millivolts: multiplier x (((raw - zeroLevel) x gain + baseOffset) + channelOffset(uV) / 1000); 0 with 1 for a null pointer or unwritable output. */
UZYV_API int32_t UZYV_CALL uZyvSDKRawToDbl_mv(const int16_t* raw, double* out, int32_t count, double zeroLevel,
                                              double baseOffset, double gain, double channelOffset,
                                              int32_t multiplier);
/* As uZyvSDKRawToDbl_mv, in microvolts (the millivolt value x 1000). */
UZYV_API int32_t UZYV_CALL uZyvSDKRawToDbl_uv(const int16_t* raw, double* out, int32_t count, double zeroLevel,
                                              double baseOffset, double gain, double channelOffset,
                                              int32_t multiplier);
/* Reads a device aligned and converts it to millivolts with the offsets of its own channels (2 x device, 2 x device + 1) and multipliers[2]; 0 with 1 for unwritable output or null multipliers, or as the read failed (output untouched). */
UZYV_API int32_t UZYV_CALL uZyvSDKReadDbl_mv(int32_t device, int32_t* status, double* out,
                                             const int32_t* multipliers);
/* As uZyvSDKReadDbl_mv, in microvolts. */
UZYV_API int32_t UZYV_CALL uZyvSDKReadDbl_uv(int32_t device, int32_t* status, double* out,
                                             const int32_t* multipliers);

/* ------------------------------------------------------------------------
 * Settings file: key = value lines applied in file order.
 * ------------------------------------------------------------------------ */

/* Applies each "Key=v1,v2,..." line of the file through the setter the key names (blanks removed, ";" starts a comment, keys without case); 0 with 30 when the file cannot be opened or read, or with the code of the first line that fails, which stops the file. */
UZYV_API int32_t UZYV_CALL uZyvSDKReadIniFile(const char* path);

/* ------------------------------------------------------------------------
 * Measurement. Raw samples and their calibration in, results of channel 0
 * out: volts, seconds, hertz, percent, degrees or counts, each with a valid
 * flag. A type is named by its index below or by the index plus
 * UZYV_MEAS_NAME_BASE, the string-table identifier of its display name.
 * The range [start, end) must satisfy 0 <= start <= end, and every sample
 * array must hold at least `end` samples.
 * ------------------------------------------------------------------------ */
enum uZyvMeasType {
  UZYV_MEAS_FREQUENCY = 0,         /* hertz, over the located cycle */
  UZYV_MEAS_PERIOD = 1,            /* seconds */
  UZYV_MEAS_MAX = 2,               /* volts; every run */
  UZYV_MEAS_MIN = 3,               /* volts; every run */
  UZYV_MEAS_HIGH = 4,              /* volts, top level */
  UZYV_MEAS_LOW = 5,               /* volts, base level */
  UZYV_MEAS_VPP = 6,               /* volts */
  UZYV_MEAS_AMPLITUDE = 7,         /* volts, high - low */
  UZYV_MEAS_VRMS = 8,              /* volts */
  UZYV_MEAS_MEAN = 9,              /* volts; every run */
  UZYV_MEAS_POS_DUTY = 10,         /* percent */
  UZYV_MEAS_NEG_DUTY = 11,         /* percent */
  UZYV_MEAS_POS_WIDTH = 12,        /* seconds */
  UZYV_MEAS_NEG_WIDTH = 13,        /* seconds */
  UZYV_MEAS_RISE_TIME = 14,        /* seconds, 10 % to 90 % */
  UZYV_MEAS_FALL_TIME = 15,        /* seconds, 90 % to 10 % */
  UZYV_MEAS_POS_OVERSHOOT = 16,    /* percent of the amplitude */
  UZYV_MEAS_NEG_OVERSHOOT = 17,    /* percent of the amplitude */
  UZYV_MEAS_MID = 18,              /* volts */
  UZYV_MEAS_CYCLE_VRMS = 19,       /* volts */
  UZYV_MEAS_CYCLE_MEAN = 20,       /* volts */
  UZYV_MEAS_RISE_DELAY = 21,       /* seconds, against channel 1 */
  UZYV_MEAS_FALL_DELAY = 22,       /* seconds, against channel 1 */
  UZYV_MEAS_RISE_PRESHOOT = 23,    /* percent of the amplitude */
  UZYV_MEAS_FALL_PRESHOOT = 24,    /* percent of the amplitude */
  UZYV_MEAS_PHASE = 25,            /* degrees, against channel 1 */
  UZYV_MEAS_AVG_FREQ = 26,         /* hertz, over every cycle of the range */
  UZYV_MEAS_RISE_EDGE_COUNT = 27,  /* count; also fills the next two */
  UZYV_MEAS_FALL_EDGE_COUNT = 28,  /* count */
  UZYV_MEAS_EDGE_COUNT = 29,       /* count */
  UZYV_MEAS_RESERVED = 30,         /* accepted, never valid */
  UZYV_MEAS_TYPES = 31,            /* number of types */
  UZYV_MEAS_NAME_BASE = 2500,      /* string identifier of type 0's name */
  UZYV_MEAS_LIST_END = -1          /* ends a type list */
};

/* Measures the types listed in `types` (ended by -1; the first 31 are requested) on samples [start, end) of params->samples[0], against params->samples[1] when not null, and writes one valid flag and value per listed type; 0 with 1 (null or unwritable pointer), 14 (hardware-version query failed), 15 (no engine), 18 (type not accepted), 19 (start negative or end before start) or 20 (empty range, abort, or data out of the histogram range), writing nothing. */
UZYV_API int32_t UZYV_CALL uZyvSDKMeasurement(const int32_t* types, int32_t start, int32_t end, const MeasParams* params,
                                              uint8_t* abortFlag, uint8_t* validOut, double* valuesOut);
/* Stores the samples and calibration of channel 0 or 1, and the sample rate, in the library's staged input; 0 with 1 (samples null), 3 (channel not 0 or 1) or 14 (hardware-version query failed). */
UZYV_API int32_t UZYV_CALL uZyvSDKMeasExInit(int32_t channel, int32_t reservedCh, double voltOffset, double zeroLevel,
                                             double baseOffset, double gain, int32_t multiplier, int64_t sampleRate,
                                             int32_t reserved0, const int16_t* samples);
/* Adds a type (0..30 or 2500..2530) to the requested set; 0 with 18 for any other value. */
UZYV_API int32_t UZYV_CALL uZyvSDKMeasExAddType(int32_t type);
/* Measures the requested set on samples [start, end) of the staged input; 0 with 1 (no channel 0 samples), 14, 19 (start negative or end before start) or 20 (empty range, abort, data refused). */
UZYV_API int32_t UZYV_CALL uZyvSDKMeasExStart(int32_t start, int32_t end, uint8_t* abortFlag);
/* Returns 1 when the last run produced a result for the type, else 0; LastError is not touched. */
UZYV_API int32_t UZYV_CALL uZyvSDKMeasExGetResult(int32_t type);
/* Returns the last run's result for the type in volts, seconds, hertz, percent, degrees or counts, and 0 when there is none; LastError is not touched. */
UZYV_API double UZYV_CALL uZyvSDKMeasExGetValue(int32_t type);
/* Empties the requested set; returns 1. */
UZYV_API int32_t UZYV_CALL uZyvSDKMeasExFreeResource(void);

/* ------------------------------------------------------------------------
 * Pass/fail: one library-wide mask of highest and lowest raw codes per
 * position, built from a reference and kept until the next successful build.
 * ------------------------------------------------------------------------ */

/* Builds the mask from count raw reference codes taken at rate samples/s (1..1e12): each position's window reaches toleranceBefore ps back and toleranceAfter ps ahead, widened by toleranceBelow/Above x factor / (1000000 x divisor) codes and limited to -2048..2047, and the reference time offset (ps) becomes the mask's shift in samples; needs no group; 0 with 1 for a null reference or divisor, 17 for a negative count, an unusable rate, a zero divisor or a tolerance outside 0..65535 codes (old mask kept), 17 when memory runs out (no mask then). */
UZYV_API int32_t UZYV_CALL uZyvSDKPassFailInit(const int16_t* reference, int32_t count, int64_t referenceRate,
                                               int64_t toleranceBefore, int64_t toleranceAfter,
                                               int32_t toleranceBelow, int32_t toleranceAbove,
                                               int32_t verticalFactor, const double* verticalDivisor,
                                               int32_t referenceTimeOffset);
/* Copies min(record length, capacity, mask length) upper and lower codes into each array whose array and count pointers are both non-null, writing the number copied back into the count, and the shift into refShift unless null; 0 with the record-length getter's code (28, 29) or 37 without a mask. */
UZYV_API int32_t UZYV_CALL uZyvSDKPassFailGetMask(int16_t* upper, int32_t* upperCount, int16_t* lower,
                                                  int32_t* lowerCount, int32_t* refShift);
/* Reads the channel's unshifted current record and stores in result -1 when every sample compared lies within the mask (a sample equal to a limit passes) or the step number of the first that does not; 0 with 37 without a mask, the getters' codes (28, 29), 3 for a negative channel, 1 for an unwritable result, 17 when the cached sample rate is outside 1..1e12, or the read's code (result then untouched). */
UZYV_API int32_t UZYV_CALL uZyvSDKPassFailCheck(int32_t channel, int32_t* result);

/* ------------------------------------------------------------------------
 * Autoset
 * ------------------------------------------------------------------------ */

/* Sets up every channel of the current group for the signal present (record length 10000, wait mode 0, position 8000, offset 0, bandwidth limit and coupling 0, channel on, then volts/div searched from 10000000 down to 2000 uV/div over 40 captures whose data are waited for at most 2 s each, the later captures of a run whose wait ran out being read after a single poll; an edge trigger on channel 0 in the middle of its signal, or of what it showed at 2000 uV/div when it never matched, its level saturated to the int32 range (infinite levels too) and 0 when not a number, cached for the next uZyvSDKCaptureEx; the sample rate from the runtime's reading) and returns 1, leaving the codes of failures on the way in LastError; 0 with 28 or 29 for an unusable group, 0 without a new LastError when the runtime has no ZyvHwInfo. */
UZYV_API int32_t UZYV_CALL uZyvSDKAutoset(void);

#ifdef __cplusplus
}
#endif

#endif /* UZYVSDK_H */
