/*
 * uZyvSDK: the application interface to the two-channel USB oscilloscopes.
 *
 * An application points the library at the folder of the acquisition runtime
 * Zyvrun.dll, initialises a group of instruments, configures channels,
 * timebase and trigger, captures, waits for the data and reads them as raw
 * codes or in millivolts, and may measure, transform and test them against a
 * mask. The sections below follow that order.
 *
 * Results. Every function returns int32 1 for success and 0 for failure
 * unless its block says otherwise. A failure leaves its reason in LastError,
 * one library-wide code (uZyvErrorCode below) that only uZyvSDKGetErrorCodeEx
 * reads and resets; a successful call never clears it. uZyvErrorText gives
 * each code's meaning.
 *
 * Groups and channels. Up to 20 groups of instruments; every call works on
 * the current group (uZyvSDKSelectGroup). A group of N devices has 2N
 * channels: channel = 2 x device + input (0 or 1).
 *
 * The common guard, run by the calls that need an instrument before anything
 * else: 28 when the library is not started, 29 when the current group's slot
 * is empty, 28 when the group is not open; then 4 for a device index outside
 * 0..N-1 or 3 for a channel outside 0..2N-1.
 *
 * Units: volts/div in microvolts per division, channel offsets and trigger
 * levels in microvolts, times and time offsets in picoseconds, sample rates
 * in samples per second, record lengths in samples per channel, samples as
 * signed 16-bit codes.
 *
 * Threads: every call runs under one library-wide lock, so calls from
 * several threads are served one after the other (a thread calling during
 * an autoset waits for it). The abort byte of a measurement run is read
 * without the lock: another thread may set it while the run goes on.
 *
 * 32-bit Windows: every function uses the __stdcall convention and is
 * exported under its plain name; link with uZyvSDK.lib (or libuZyvSDK.dll.a),
 * whose decorated names map onto the plain exports.
 *
 * 64-bit hosts: setting values that carry an address are pointer-sized
 * (uZyvValue): int32 on the 32-bit DLL, 64 bits on 64-bit hosts. The block
 * "The 64-bit Windows DLL" below the records says what differs there.
 */
#ifndef UZYVSDK_H
#define UZYVSDK_H

#include <stddef.h>
#include <stdint.h>

#include "uZyvSDK_version.h"

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
 * LastError codes, each with its meaning. "Runtime code n" is the runtime's
 * own error code n after translation; which runtime codes map where depends
 * on whether device 0 of the group is the extended product (product ID
 * 8722). 24 to 27, 38 and 39 are never reported.
 * ------------------------------------------------------------------------ */
#define UZYV_ERROR_TABLE(X)                                                                        \
  X(UZYV_OK, 0, "no error recorded")                                                               \
  X(UZYV_ERR_POINTER, 1,                                                                           \
    "a pointer is null or not writable for the size needed, or a text is null or too long")        \
  X(UZYV_ERR_VALUE, 2, "a value argument is outside its allowed range")                            \
  X(UZYV_ERR_CHANNEL, 3, "channel index out of range")                                             \
  X(UZYV_ERR_DEVICE, 4, "device index out of range")                                               \
  X(UZYV_ERR_VOLTDIV, 5, "volts/div value not in the allowed list (or runtime code 2)")            \
  X(UZYV_ERR_POSITION, 6, "vertical position or offset out of range")                              \
  X(UZYV_ERR_TRIGGER_POSITION, 7,                                                                  \
    "trigger position beyond half the record's duration (or runtime code 6)")                      \
  X(UZYV_ERR_RUNTIME_7, 8, "the runtime reported code 7")                                          \
  X(UZYV_ERR_RUNTIME_8, 9, "the runtime reported code 8")                                          \
  X(UZYV_ERR_TRIGGER_KIND, 10, "trigger kind needs the extended product (or runtime code 9)")      \
  X(UZYV_ERR_RUNTIME_10, 11, "the runtime reported code 10")                                       \
  X(UZYV_ERR_RUNTIME_11, 12, "the runtime reported code 11")                                       \
  X(UZYV_ERR_RECORD_LENGTH, 13,                                                                    \
    "record length not a multiple of 8, negative or too long (or runtime code 3)")                 \
  X(UZYV_ERR_HW_VERSION, 14, "the hardware-version query failed (or runtime code 4 or 99)")        \
  X(UZYV_ERR_RUNTIME, 15,                                                                          \
    "the runtime reported an error without a code of its own, the measurement engine has no "      \
    "channels, or an internal failure")                                                            \
  X(UZYV_ERR_RUNTIME_1, 16, "the runtime reported code 1")                                         \
  X(UZYV_ERR_MASK, 17,                                                                             \
    "pass/fail mask parameters do not fit or its memory is not available (or runtime code 2)")     \
  X(UZYV_ERR_MEAS_TYPE, 18, "measurement type not accepted, or the engine has no channels")        \
  X(UZYV_ERR_MEAS_RANGE, 19, "measurement range refused: start below 0 or end before start")       \
  X(UZYV_ERR_MEAS_RUN, 20, "the measurement run failed: empty range, abort or data refused")       \
  X(UZYV_ERR_GROUP_INDEX, 21, "group index above 19")                                              \
  X(UZYV_ERR_RUNTIME_FILE, 22,                                                                     \
    "Zyvrun.dll missing, older than 1.4.0.2 or without version, or group preparation failed")      \
  X(UZYV_ERR_RUNTIME_ENTRIES, 23, "the runtime's entry points are not available")                  \
  X(UZYV_ERR_NOT_OPEN, 28, "the library is not started, or the current group is not open")         \
  X(UZYV_ERR_NO_GROUP, 29, "the current group slot is empty")                                      \
  X(UZYV_ERR_SETTINGS_FILE, 30, "the settings file cannot be opened or read")                      \
  X(UZYV_ERR_RUNTIME_17, 31, "the runtime reported code 17")                                       \
  X(UZYV_ERR_RUNTIME_18, 32, "the runtime reported code 18")                                       \
  X(UZYV_ERR_RUNTIME_19, 33, "the runtime reported code 19")                                       \
  X(UZYV_ERR_STACK_LIST, 34, "stack list item over 16 characters, or over 20 items")               \
  X(UZYV_ERR_STATE, 35, "not allowed in the present state")                                        \
  X(UZYV_ERR_RUNTIME_12, 36, "the runtime reported code 12 (extended product)")                    \
  X(UZYV_ERR_NO_MASK, 37, "pass/fail check or mask read-out without a mask")                       \
  X(UZYV_ERR_DELAY_TIME, 40, "delay time out of range")                                            \
  X(UZYV_ERR_HOLDOFF_TIME, 41, "holdoff time out of range")

enum uZyvErrorCode {
#define UZYV_ERROR_ENUMERATOR(name, code, text) name = code,
  UZYV_ERROR_TABLE(UZYV_ERROR_ENUMERATOR)
#undef UZYV_ERROR_ENUMERATOR
  UZYV_ERROR_CODE_END /* one past the highest code */
};

/* The meaning of a LastError code as English text; "unknown error code" for
 * a number the table does not define. Part of the header, not of the
 * library. */
static inline const char* uZyvErrorText(int32_t code) {
  switch (code) {
#define UZYV_ERROR_CASE(name, value, text) \
  case value:                              \
    return text;
    UZYV_ERROR_TABLE(UZYV_ERROR_CASE)
#undef UZYV_ERROR_CASE
    default:
      return "unknown error code";
  }
}

/* ------------------------------------------------------------------------
 * Records crossing the interface. Offsets are those of the 32-bit DLL.
 * ------------------------------------------------------------------------ */

/* Capture parameters handed unchanged to the runtime by uZyvSDKCapture; the
 * library reads only the three named fields. 144 bytes. */
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

/* The layouts checked where the language can (C11, C++11). */
#if defined(__cplusplus) && (__cplusplus >= 201103L || (defined(_MSC_VER) && _MSC_VER >= 1600))
#  define UZYV_LAYOUT_CHECK(condition, message) static_assert(condition, message)
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#  define UZYV_LAYOUT_CHECK(condition, message) _Static_assert(condition, message)
#endif
#ifdef UZYV_LAYOUT_CHECK
UZYV_LAYOUT_CHECK(sizeof(CaptureParams) == 144 && offsetof(CaptureParams, sampleRate) == 8 &&
                      offsetof(CaptureParams, trigPos) == 120 &&
                      offsetof(CaptureParams, recordLength) == 136,
                  "CaptureParams has the layout the runtime expects");
UZYV_LAYOUT_CHECK(offsetof(MeasParams, reservedCh) == 12 &&
                      offsetof(MeasParams, voltOffset) == 24 &&
                      offsetof(MeasParams, zeroLevel) == 40 &&
                      offsetof(MeasParams, baseOffset) == 56 && offsetof(MeasParams, gain) == 72 &&
                      offsetof(MeasParams, multiplier) == 88 &&
                      offsetof(MeasParams, samples) == 96,
                  "MeasParams has the library's layout");
UZYV_LAYOUT_CHECK(sizeof(void*) != 4 || sizeof(MeasParams) == 104,
                  "MeasParams is 104 bytes on 32-bit hosts");
UZYV_LAYOUT_CHECK(sizeof(void*) != 8 || sizeof(MeasParams) == 112,
                  "MeasParams is 112 bytes on 64-bit hosts");
#  undef UZYV_LAYOUT_CHECK
#endif

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
 *   bytes in all (checked above for C11 and C++11 clients).
 *
 * Everything else is as on the 32-bit DLL: int32_t stays 32 bits, the USB
 * handle is 32 bits, the buffer sizes the device information checks are the
 * same, and so are the LastError codes. The arithmetic is the same too
 * (SSE2 doubles, no fused multiply-add), so every result is bit for bit the
 * 32-bit DLL's.
 * ======================================================================== */

/* ========================================================================
 * Start-up, groups and errors
 *
 * Order: optionally uZyvSDKSetWorkDir, optionally uZyvSDKSelectGroup and
 * uZyvSDKSetEnv, then uZyvSDKInit (or uZyvSDKInitStack) once per group and
 * uZyvSDKShutdown at the end. The first uZyvSDKInit, uZyvSDKInitStack,
 * uZyvSDKSelectGroup or uZyvSDKSetEnv starts the library: group 0 (or the
 * selected group) gets a private copy of Zyvrun.dll in the temporary folder,
 * which is loaded; copies are deleted when the library is unloaded.
 * ======================================================================== */

/* uZyvSDKSetWorkDir: sets the folder in which the library looks for
 * Zyvrun.dll. Allowed only before the library is started.
 *   dir   a folder (the separator at its end is optional), or the full path
 *         of Zyvrun.dll; at most 259 characters
 * Returns 1 when the runtime file is there, else 0 (the folder unchanged).
 * LastError: 35 after the start-up; 1 for a null or over-long text; 22 when
 * Zyvrun.dll cannot be opened in the folder. */
UZYV_API int32_t UZYV_CALL uZyvSDKSetWorkDir(const char* dir);

/* uZyvSDKSelectGroup: makes a group current, preparing its private runtime
 * copy first when its slot is empty; starts the library when needed.
 *   group  0..19
 * Returns 1, or 0 on failure.
 * LastError: 21 for a group above 19; 22 when the copy cannot be prepared
 * (file missing, older than 1.4.0.2, without version); 23 when its entry
 * points cannot be resolved (no runtime entry is usable then: the calls that
 * need one report 23). */
UZYV_API int32_t UZYV_CALL uZyvSDKSelectGroup(uint32_t group);

/* uZyvSDKSetEnv: passes an environment request to the current group's
 * runtime; allowed only while the group is closed (before uZyvSDKInit).
 *   mode    0..2
 *   second  low 8 bits passed on
 *   third   low 8 bits passed on
 * Returns 1 when the runtime accepts it, else 0.
 * LastError: 35 when the group is open; 23 (entry points); 2 for a mode
 * above 2; the translated runtime code when the runtime refuses. */
UZYV_API int32_t UZYV_CALL uZyvSDKSetEnv(uint32_t mode, uint32_t second, uint32_t third);

/* uZyvSDKInit: opens the devices of the current group, with the process's
 * current folder switched to the runtime's folder meanwhile, then sends the
 * library's defaults and opens the group. Writes the trace file
 * Init_TraceRec.txt (C:\temp on Windows, the temporary folder on POSIX).
 * Returns the number of devices, or 0 when none was found or a step failed
 * (the group stays closed then).
 * LastError: 23 when the runtime or its entry is not available; the code of
 * the first default the runtime refuses; unchanged when no device is found. */
UZYV_API int32_t UZYV_CALL uZyvSDKInit(void);

/* uZyvSDKInitStack: as uZyvSDKInit, naming the devices to open.
 *   list  items separated by commas, each of at most 16 characters, at most
 *         20 items (a comma at the end adds an empty item); null or empty
 *         asks the runtime without a list
 * Returns the number of devices, or 0.
 * LastError: as uZyvSDKInit; 34 for a list that does not fit. */
UZYV_API int32_t UZYV_CALL uZyvSDKInitStack(const char* list);

/* uZyvSDKShutdown: closes the current group; its runtime copy stays loaded
 * until the library is unloaded, and the group can be initialised again.
 * Returns the runtime's shutdown result, or 1 when the group was not open.
 * LastError: not set. */
UZYV_API int32_t UZYV_CALL uZyvSDKShutdown(void);

/* uZyvSDKGetDeviceCount: the number of devices of the current group, kept
 * after shutdown.
 * Returns the count; 0 before the start-up or for an empty slot.
 * LastError: not set. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetDeviceCount(void);

/* uZyvSDKGetErrorCode: the current group's runtime error code as the
 * runtime reports it now, untranslated.
 * Returns that code; 0 when no runtime is loaded.
 * LastError: neither read nor changed. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetErrorCode(void);

/* uZyvSDKGetErrorCodeEx: reads LastError and resets it to 0.
 * Returns LastError (uZyvErrorCode). */
UZYV_API int32_t UZYV_CALL uZyvSDKGetErrorCodeEx(void);

/* ========================================================================
 * Device information. Every call takes a device index (0..N-1) and a buffer
 * the runtime fills, returns 1 when it did and 0 otherwise, and sets the
 * common guard's codes (28, 29, 28, 4), 1 when the buffer is not writable
 * for the size given, 23 without the runtime's entry, or the translated
 * runtime code.
 * ======================================================================== */

/* uZyvSDKGetHwInfo: reads hardware information by selector.
 *   device    device index
 *   selector  0, 1: 10 bytes; 2: 16 bytes; 3 to 6: 4 bytes; 7: 48 bytes
 *             (calibration); 10: 8 bytes; any other selector: the buffer is
 *             handed to the runtime unchecked
 *   buffer    receives the information */
UZYV_API int32_t UZYV_CALL uZyvSDKGetHwInfo(int32_t device, uint32_t selector, void* buffer);
/* uZyvSDKGetHwInfoA: the same as uZyvSDKGetHwInfo. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetHwInfoA(int32_t device, uint32_t selector, void* buffer);
/* uZyvSDKGetHwInfoB: the same as uZyvSDKGetHwInfo. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetHwInfoB(int32_t device, uint32_t selector, void* buffer);

/* uZyvSDKGetVendorName: the vendor name, into 10 bytes (terminated only when
 * shorter: give 11 bytes, the last zero, to print it). */
UZYV_API int32_t UZYV_CALL uZyvSDKGetVendorName(int32_t device, char* buffer);
/* uZyvSDKGetProductName: the product name, 10 bytes, as the vendor name. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetProductName(int32_t device, char* buffer);
/* uZyvSDKGetSerialNum: the serial number, 16 bytes, as the vendor name. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetSerialNum(int32_t device, char* buffer);
/* uZyvSDKGetHwVer: the hardware version. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetHwVer(int32_t device, int32_t* version);
/* uZyvSDKGetFwVer: the firmware version. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetFwVer(int32_t device, int32_t* version);
/* uZyvSDKGetProductID: the product ID; 8722 marks the extended product. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetProductID(int32_t device, int32_t* productId);
/* uZyvSDKGetUsbDeviceHandle: the device's 32-bit USB handle. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetUsbDeviceHandle(int32_t device, uint32_t* handle);
/* uZyvSDKGetCalibrationData: six doubles: gain (mV per code), zero level
 * (code of 0 V) and base offset (mV) of input 0, then of input 1. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetCalibrationData(int32_t device, double* calibration);
/* uZyvSDKGetTemperature: the temperature as the runtime writes it; the
 * buffer is not checked. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetTemperature(int32_t device, void* buffer);

/* ========================================================================
 * Channel and timebase settings
 *
 * Setters check their value first (the code in each block), then run the
 * common guard (with channel 0 for the group-wide settings), write the
 * library's cache and send the value. A runtime refusal keeps the new value
 * in the cache and sets the translated runtime code.
 * Getters answer from the cache: they return 0 without a new LastError
 * before the start-up, then run the common guard (28, 29, 28, 3), set 1 for
 * a null output pointer, and write the cached value.
 * ======================================================================== */

/* uZyvSDKSetting: sends a setting to the runtime unchanged, without caching.
 *   channel  0..2N (2N too: the group-wide channel)
 *   id       the runtime's setting ID
 *   value    an integer, or the address of the setting's block
 * LastError: the guard's 28, 29, 28; 3 for a channel outside 0..2N; the
 * translated runtime code. */
UZYV_API int32_t UZYV_CALL uZyvSDKSetting(int32_t channel, int32_t id, uZyvValue value);

/* uZyvSDKSetBWL: bandwidth limit of a channel.
 *   bwl  0..2, else LastError 2 */
UZYV_API int32_t UZYV_CALL uZyvSDKSetBWL(int32_t channel, int32_t bwl);
/* uZyvSDKSetCoupling: input coupling of a channel.
 *   coupling  0..2, else LastError 2 */
UZYV_API int32_t UZYV_CALL uZyvSDKSetCoupling(int32_t channel, int32_t coupling);
/* uZyvSDKSetChOnOff: switches a channel on (non-zero) or off (0); sends the
 * low 8 bits of onoff and caches nothing (uZyvSDKGetChOnOff asks the
 * runtime). */
UZYV_API int32_t UZYV_CALL uZyvSDKSetChOnOff(int32_t channel, int32_t onoff);
/* uZyvSDKSetAcquireMode: acquire mode of a channel.
 *   mode  0..5, else LastError 2 */
UZYV_API int32_t UZYV_CALL uZyvSDKSetAcquireMode(int32_t channel, int32_t mode);
/* uZyvSDKSetTrigCouple: trigger coupling of the group.
 *   couple  0..3, else LastError 2 */
UZYV_API int32_t UZYV_CALL uZyvSDKSetTrigCouple(int32_t couple);
/* uZyvSDKSetVoltDiv: volts/div of a channel.
 *   voltDiv  microvolts per division: 2000, 5000, 10000, 20000, 50000,
 *            100000, 200000, 500000, 1000000, 2000000, 5000000 or
 *            10000000, else LastError 5 */
UZYV_API int32_t UZYV_CALL uZyvSDKSetVoltDiv(int32_t channel, int32_t voltDiv);
/* uZyvSDKSetVoltDivEx: as uZyvSDKSetVoltDiv, sent under the extended
 * setting ID. */
UZYV_API int32_t UZYV_CALL uZyvSDKSetVoltDivEx(int32_t channel, int32_t voltDiv);
/* uZyvSDKSetVoltPos: vertical position of a channel.
 *   pos  0..16000 (8000 is the middle), else LastError 6 */
UZYV_API int32_t UZYV_CALL uZyvSDKSetVoltPos(int32_t channel, int32_t pos);
/* uZyvSDKSetVoltOfs: vertical offset of a channel; the runtime receives it
 * negated, the cache keeps it as given.
 *   ofs  microvolts within +-15000000, or +-150000000 when the channel's
 *        cached volts/div is above 1000000; else LastError 6 */
UZYV_API int32_t UZYV_CALL uZyvSDKSetVoltOfs(int32_t channel, int32_t ofs);
/* uZyvSDKSetSampleRate: sample rate of the group.
 *   rate  samples per second; not range-checked */
UZYV_API int32_t UZYV_CALL uZyvSDKSetSampleRate(int64_t rate);
/* uZyvSDKSetRecordLength: record length of the group; the runtime is told
 * length + 4096.
 *   length  samples per channel: a multiple of 8, not negative, with
 *           length + 4096 within 32 bits; else LastError 13 */
UZYV_API int32_t UZYV_CALL uZyvSDKSetRecordLength(int32_t length);
/* uZyvSDKSetWaitMode: wait mode of the group.
 *   mode   0..3, else LastError 2
 *   param  used and cached by mode 3 only */
UZYV_API int32_t UZYV_CALL uZyvSDKSetWaitMode(int32_t mode, int64_t param);
/* uZyvSDKSetDelayTime: trigger delay.
 *   time  picoseconds, 0..5e13, else LastError 40 */
UZYV_API int32_t UZYV_CALL uZyvSDKSetDelayTime(int64_t time);
/* uZyvSDKSetHoldoffTime: trigger holdoff.
 *   time  picoseconds, 0..1e13, else LastError 41 */
UZYV_API int32_t UZYV_CALL uZyvSDKSetHoldoffTime(int64_t time);
/* uZyvSDKSetTrigPos: trigger position.
 *   pos  picoseconds; checked against half the record's duration at each
 *        capture start (LastError 7 there) */
UZYV_API int32_t UZYV_CALL uZyvSDKSetTrigPos(int64_t pos);
/* uZyvSDKSetHwBit: sample resolution.
 *   bits  resolution in bits; not range-checked
 * Returns 1 when the runtime accepts it, 0 when it refuses (LastError
 * unchanged then). Checks only 28 (not started) and 29 (empty slot): the
 * group need not be open. */
UZYV_API int32_t UZYV_CALL uZyvSDKSetHwBit(int32_t bits);

/* Getters, from the cache (see the section's head). */
UZYV_API int32_t UZYV_CALL uZyvSDKGetBWL(int32_t channel, int32_t* bwl);
UZYV_API int32_t UZYV_CALL uZyvSDKGetCoupling(int32_t channel, int32_t* coupling);
UZYV_API int32_t UZYV_CALL uZyvSDKGetAcquireMode(int32_t channel, int32_t* mode);
UZYV_API int32_t UZYV_CALL uZyvSDKGetVoltDiv(int32_t channel, int32_t* voltDiv);
UZYV_API int32_t UZYV_CALL uZyvSDKGetVoltPos(int32_t channel, int32_t* pos);
/* The offset as given to uZyvSDKSetVoltOfs, not negated. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetVoltOfs(int32_t channel, int32_t* ofs);
UZYV_API int32_t UZYV_CALL uZyvSDKGetTrigCouple(int32_t* couple);
UZYV_API int32_t UZYV_CALL uZyvSDKGetSampleRate(int64_t* rate);
/* The record length as given, without the 4096. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetRecordLength(int32_t* length);
/* The wait mode and the parameter last given with mode 3 (0 if never). */
UZYV_API int32_t UZYV_CALL uZyvSDKGetWaitMode(int32_t* mode, int64_t* param);
UZYV_API int32_t UZYV_CALL uZyvSDKGetDelayTime(int64_t* time);
UZYV_API int32_t UZYV_CALL uZyvSDKGetHoldoffTime(int64_t* time);
UZYV_API int32_t UZYV_CALL uZyvSDKGetTrigPos(int64_t* pos);
UZYV_API int32_t UZYV_CALL uZyvSDKGetHwBit(int32_t* bits);

/* uZyvSDKGetChOnOff: asks the runtime whether a channel is on.
 *   channel  0..2N-1
 * Returns 1 when on; 0 when off or on failure (only LastError tells them
 * apart).
 * LastError: 28, 29, 28; 4 when the channel's device is out of range; 23;
 * the translated runtime code. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetChOnOff(int32_t channel);

/* ========================================================================
 * Triggers
 *
 * The setters store the trigger in the current group's cache and send
 * nothing; uZyvSDKCaptureEx sends it at each capture start, each level taken
 * relative to its source channel's offset at that moment. Sources are
 * channels 0..2 (a source without a channel, the external input of a
 * one-device group, counts as offset 0). Levels are in microvolts. Range
 * tests are unsigned, so negative values fail them. Before their own checks
 * the setters set 28 when the library is not started and 29 for an empty
 * slot; the group need not be open. A refused setter keeps the previous
 * trigger. "Silent" below: result 0 and LastError unchanged.
 * ======================================================================== */

/* uZyvSDKSetEdgeTrig: edge trigger.
 *   source  0..2
 *   mode    0..3, passed to the runtime
 *   level   microvolts
 * LastError: 2 for a mode or source out of range. */
UZYV_API int32_t UZYV_CALL uZyvSDKSetEdgeTrig(int32_t source, int32_t mode, int64_t level);

/* uZyvSDKSetVideoTrig: video trigger.
 *   source  0 or 1 (any other: silent)
 *   mode    0..3
 *   value   passed to the runtime
 * LastError: 2 for a mode out of range. */
UZYV_API int32_t UZYV_CALL uZyvSDKSetVideoTrig(int32_t source, int32_t mode, int32_t value);

/* uZyvSDKSetRuntTrig: runt trigger (extended product only).
 *   source           0 or 1 (any other: silent)
 *   selA, selB       0..2 and 0..3, passed to the runtime
 *   value, value64   passed to the runtime
 *   level, level2    microvolts
 * LastError: 10 without the extended product; 2 for selA or selB out of
 * range. */
UZYV_API int32_t UZYV_CALL uZyvSDKSetRuntTrig(int32_t source, int32_t selA, int32_t selB,
                                              int32_t value, int64_t value64, int64_t level,
                                              int64_t level2);

/* uZyvSDKSetWidthTrig: pulse-width trigger (extended product only).
 *   source           0..2
 *   selA, selB       0..2 and 0..3, passed to the runtime
 *   value, value64   passed to the runtime
 *   level            microvolts
 * LastError: 10 without the extended product; 2 for selA, source or selB
 * out of range. */
UZYV_API int32_t UZYV_CALL uZyvSDKSetWidthTrig(int32_t source, int32_t selA, int32_t selB,
                                               int32_t value, int64_t value64, int64_t level);

/* uZyvSDKSetPatternTrig: pattern trigger (extended product only).
 *   source, source2          0..2
 *   value, value2, value64   passed to the runtime
 *   flag                     0..1
 *   level, level2            microvolts
 * LastError: 10 without the extended product; 2 for a source or flag out of
 * range. */
UZYV_API int32_t UZYV_CALL uZyvSDKSetPatternTrig(int32_t source, int32_t source2, int32_t value,
                                                 int32_t value2, int32_t flag, int64_t value64,
                                                 int64_t level, int64_t level2);

/* uZyvSDKSetStateTrig: state trigger (extended product only).
 *   source, source2   0..2
 *   value, value2     passed to the runtime
 *   flag              0..1
 *   level, level2     microvolts
 * LastError: 10 without the extended product; 2 for a source or flag out of
 * range. */
UZYV_API int32_t UZYV_CALL uZyvSDKSetStateTrig(int32_t source, int32_t source2, int32_t value,
                                               int32_t value2, int32_t flag, int64_t level,
                                               int64_t level2);

/* ========================================================================
 * Settings file
 * ======================================================================== */

/* uZyvSDKReadIniFile: applies a settings file line by line, in file order,
 * through the setter each key names. Lines are "Key=v1,v2,...", blanks
 * removed, keys without regard to case, ";" starts a comment; LF and CR LF
 * end lines alike; lines without a known key are skipped. The first line
 * that fails stops the file.
 *   path  the file's path
 * Returns 1 when every line was read and every known line applied, else 0.
 * LastError: 30 when the file cannot be opened or read; else the code of the
 * line that failed. */
UZYV_API int32_t UZYV_CALL uZyvSDKReadIniFile(const char* path);

/* ========================================================================
 * Capture control: on every device of the current group, after the common
 * guard (28, 29, 28). Usual order: uZyvSDKCaptureEx, then uZyvSDKDataReady
 * until it answers non-zero (uZyvSDKForceTrig when no trigger comes), then a
 * read.
 * ======================================================================== */

/* uZyvSDKCapture: arms every channel and starts a capture with the
 * application's own parameter block, which the runtime receives unchanged.
 *   params  the block; the library reads sampleRate, trigPos and
 *           recordLength to check the trigger position
 * LastError: 1 for a null block; 7 when abs(trigPos) exceeds half the
 * record's duration; the translated runtime code. */
UZYV_API int32_t UZYV_CALL uZyvSDKCapture(CaptureParams* params);

/* uZyvSDKCaptureEx: arms every channel, checks the cached trigger position,
 * sends the cached trigger and starts a capture with the cached settings.
 * LastError: 7 for the trigger position; the trigger setter's codes (2, 10)
 * for the cached trigger (a refused video source: silent); the translated
 * runtime code. */
UZYV_API int32_t UZYV_CALL uZyvSDKCaptureEx(void);

/* uZyvSDKStop: stops the capture.
 * Returns 1 also when there is nothing to stop (no open group, or no runtime
 * entry), 0 when the runtime refuses.
 * LastError: the translated runtime code. */
UZYV_API int32_t UZYV_CALL uZyvSDKStop(void);

/* uZyvSDKForceTrig: forces a trigger on every device.
 * Returns 1 when every device was forced, else 0.
 * LastError: the translated runtime code, set once after all devices. */
UZYV_API int32_t UZYV_CALL uZyvSDKForceTrig(void);

/* uZyvSDKGetStatus: the runtime's status.
 *   value  handed to the runtime unchanged
 * Returns the runtime's answer unchanged; 0 before a runtime is loaded.
 * LastError: not touched. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetStatus(int32_t value);

/* uZyvSDKDataReady: whether the capture's data are ready.
 * Returns the runtime's answer unchanged (non-zero: ready); 0 also when the
 * guard fails.
 * LastError: the guard's 28, 29, 28. */
UZYV_API int32_t UZYV_CALL uZyvSDKDataReady(void);

/* uZyvSDKFGSetting: a function-generator setting, sent as setting
 * 0x62170003 through uZyvSDKSetting.
 *   index  the channel argument of uZyvSDKSetting (0..2N)
 *   value  the setting's value
 * Returns and sets what uZyvSDKSetting does. */
UZYV_API int32_t UZYV_CALL uZyvSDKFGSetting(int32_t index, uZyvValue value);

/* ========================================================================
 * Waveforms
 *
 * A read fills recordLength samples of input 0, then recordLength of input
 * 1, of one device. Aligned reads shift the record by a fraction of a sample
 * to line it up with the trigger. A shift that puts the record before the
 * data, or more than 2048 samples before or 2047 after its place (or a
 * sample rate beyond 1e12 in magnitude on a device other than 0) is refused:
 * result 0, LastError unchanged, samples not written. Calibration that
 * cannot be read leaves its LastError and reads as 0.
 * ======================================================================== */

/* uZyvSDKRead: the runtime's plain read.
 *   value  handed to the runtime unchanged
 * LastError: the guard's 28, 29, 28; the translated runtime code. */
UZYV_API int32_t UZYV_CALL uZyvSDKRead(uZyvValue value);

/* uZyvSDKReadExRaw: reads a device as raw codes with its calibration.
 *   device       device index
 *   status       receives the read's status word; may be null
 *   samples      2 x recordLength codes
 *   zeroLevels   2 doubles: code of 0 V per input
 *   baseOffsets  2 doubles: millivolts per input
 *   gains        2 doubles: millivolts per code per input
 *   timeOffset   null: aligned data; else the unshifted record, and here its
 *                time offset in picoseconds (lower by device x 364000 ps)
 * Returns the runtime's read result (non-zero), or 0.
 * LastError: 28, 29, 28, 4; 1 for a null array or samples not writable; the
 * translated runtime code. */
UZYV_API int32_t UZYV_CALL uZyvSDKReadExRaw(int32_t device, int32_t* status, int16_t* samples,
                                            double* zeroLevels, double* baseOffsets,
                                            double* gains, int32_t* timeOffset);

/* uZyvSDKRawToDbl_mv: converts raw codes to millivolts:
 * multiplier x ((raw - zeroLevel) x gain + baseOffset + channelOffset / 1000).
 *   raw, out       count codes in, count millivolts out
 *   count          number of samples
 *   zeroLevel, baseOffset, gain   the input's calibration (uZyvSDKReadExRaw)
 *   channelOffset  the channel's offset in microvolts (uZyvSDKGetVoltOfs)
 *   multiplier     probe factor
 * Needs no group.
 * LastError: 1 for a null pointer or an output not writable. */
UZYV_API int32_t UZYV_CALL uZyvSDKRawToDbl_mv(const int16_t* raw, double* out, int32_t count,
                                              double zeroLevel, double baseOffset, double gain,
                                              double channelOffset, int32_t multiplier);
/* uZyvSDKRawToDbl_uv: as uZyvSDKRawToDbl_mv, in microvolts (x 1000). */
UZYV_API int32_t UZYV_CALL uZyvSDKRawToDbl_uv(const int16_t* raw, double* out, int32_t count,
                                              double zeroLevel, double baseOffset, double gain,
                                              double channelOffset, int32_t multiplier);

/* uZyvSDKReadDbl_mv: reads a device aligned and converts it to millivolts
 * with the offsets of its own channels (2 x device, 2 x device + 1).
 *   device       device index
 *   status       receives the read's status word; may be null
 *   out          2 x recordLength millivolts
 *   multipliers  2 probe factors, one per input
 * Returns 1, or 0 (out untouched when the read failed).
 * LastError: as uZyvSDKReadExRaw; 1 for an output not writable or null
 * multipliers. */
UZYV_API int32_t UZYV_CALL uZyvSDKReadDbl_mv(int32_t device, int32_t* status, double* out,
                                             const int32_t* multipliers);
/* uZyvSDKReadDbl_uv: as uZyvSDKReadDbl_mv, in microvolts. */
UZYV_API int32_t UZYV_CALL uZyvSDKReadDbl_uv(int32_t device, int32_t* status, double* out,
                                             const int32_t* multipliers);

/* ========================================================================
 * Measurement
 *
 * Raw samples and their calibration in, results of channel 0 out in volts,
 * seconds, hertz, percent, degrees or counts, each with a valid flag; channel
 * 1 is the optional reference of Rise Delay, Fall Delay and Phase. A type is
 * named by its index below or by the index plus UZYV_MEAS_NAME_BASE, the
 * string-table identifier of its display name. The range [start, end) must
 * satisfy 0 <= start <= end, and every sample array must hold at least `end`
 * samples. Nothing outside the range is read, except that an edge at the
 * start of a range that begins after sample 0 takes its step from up to two
 * samples before it. uZyvSDKMeasurement and the staged uZyvSDKMeasEx calls
 * drive one engine and share its requested set and last results. Each run
 * asks device 0 of the current group for its hardware version (LastError 14
 * when that fails).
 *
 * Max, Min, Mean, High, Low and Mid are valid after every successful run,
 * Vpp and Amplitude too unless the block spans fewer than 5 codes. RPreshoot,
 * FPreshoot and Phase use the edges and delays measured in the same run, so
 * request Rise Time, Fall Time, Rise Delay, Fall Delay and Period with them;
 * Phase takes the delay of the edge located first (Fall Delay when Rise Time
 * located an edge and Fall Time did not) and is not valid without it. Vrms
 * and Cycle Vrms of 0 V are +0.
 * ======================================================================== */
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

/* uZyvSDKMeasurement: measures a list of types in one call.
 *   types      type identifiers ended by UZYV_MEAS_LIST_END; the first 31
 *              are requested
 *   start, end the range [start, end) of the samples
 *   params     samples and calibration of channel 0, and of channel 1 when
 *              params->samples[1] is not null
 *   abortFlag  a byte another thread may set to stop the run; may be null
 *   validOut   one flag per listed type: 1 when its value was written
 *   valuesOut  one value per listed type (left as it was when not valid)
 * Returns 1, or 0 with nothing written.
 * LastError: 1 (a null or unwritable pointer); 14; 15 (engine without
 * channels); 18 (a type not accepted); 19 (start negative or end before
 * start); 20 (empty range, abort, or data outside the histogram's range). */
UZYV_API int32_t UZYV_CALL uZyvSDKMeasurement(const int32_t* types, int32_t start, int32_t end,
                                              const MeasParams* params, uint8_t* abortFlag,
                                              uint8_t* validOut, double* valuesOut);

/* uZyvSDKMeasExInit: stores the samples and calibration of one channel, and
 * the sample rate, as the staged input (the samples are read at
 * uZyvSDKMeasExStart, not copied).
 *   channel     0 (measured) or 1 (reference)
 *   reservedCh  stored, not used
 *   voltOffset, zeroLevel, baseOffset, gain, multiplier   as in MeasParams
 *   sampleRate  samples per second
 *   reserved0   stored, not used
 *   samples     the channel's raw codes
 * LastError: 1 (samples null); 3 (channel not 0 or 1); 14. */
UZYV_API int32_t UZYV_CALL uZyvSDKMeasExInit(int32_t channel, int32_t reservedCh, double voltOffset,
                                             double zeroLevel, double baseOffset, double gain,
                                             int32_t multiplier, int64_t sampleRate,
                                             int32_t reserved0, const int16_t* samples);

/* uZyvSDKMeasExAddType: adds a type to the requested set.
 *   type  0..30 or 2500..2530
 * LastError: 18 for any other value. */
UZYV_API int32_t UZYV_CALL uZyvSDKMeasExAddType(int32_t type);

/* uZyvSDKMeasExStart: measures the requested set on the staged input.
 *   start, end  the range [start, end)
 *   abortFlag   a byte another thread may set to stop the run; may be null
 * Returns 1, or 0. A run that fails part way keeps the results it produced
 * readable.
 * LastError: 1 (no channel 0 samples); 14; 19; 20. */
UZYV_API int32_t UZYV_CALL uZyvSDKMeasExStart(int32_t start, int32_t end, uint8_t* abortFlag);

/* uZyvSDKMeasExGetResult: whether the last run produced a result for a type.
 *   type  0..30 or 2500..2530
 * Returns 1 or 0. LastError: not touched. */
UZYV_API int32_t UZYV_CALL uZyvSDKMeasExGetResult(int32_t type);

/* uZyvSDKMeasExGetValue: the last run's result for a type.
 *   type  0..30 or 2500..2530
 * Returns the value in volts, seconds, hertz, percent, degrees or counts; 0
 * when there is none. LastError: not touched. */
UZYV_API double UZYV_CALL uZyvSDKMeasExGetValue(int32_t type);

/* uZyvSDKMeasExFreeResource: empties the requested set.
 * Returns 1. LastError: not touched. */
UZYV_API int32_t UZYV_CALL uZyvSDKMeasExFreeResource(void);

/* ========================================================================
 * Spectrum: works on the caller's numbers alone, without any group.
 * ======================================================================== */

/* uZyvSDKGetFFTData: the one-sided amplitude spectrum of the first N
 * samples, N the largest power of two not above count.
 *   samples   at least N doubles (millivolts for the decibel scales)
 *   count     1..4095 (N at most 2048)
 *   scale     0 linear, 1 dB re 1 V, 2 dB re 0.2236 V; another scale writes
 *             nothing
 *   window    0 middle half, 1 Blackman, 2 Hanning, 3 Hamming, 4
 *             Blackman-Harris, 5 Bartlett, 6 sine, 7 Lanczos, 8 Gaussian;
 *             another type keeps the window in force (unit weights before
 *             any)
 *   spectrum  N doubles: bin j (at j x rate / N) at positions 2j and 2j+1,
 *             for j = 0..N/2-1
 * Returns 1, or 0.
 * LastError: 1 for a null pointer; unchanged for count <= 0 or >= 4096. */
UZYV_API int32_t UZYV_CALL uZyvSDKGetFFTData(const double* samples, int32_t count, int32_t scale,
                                             int32_t window, double* spectrum);

/* ========================================================================
 * Pass/fail: one library-wide mask of highest and lowest raw codes per
 * position, built from a reference and kept until the next successful build.
 * The mask keeps its own length: the read-out and the check never go past
 * it.
 * ======================================================================== */

/* uZyvSDKPassFailInit: builds the mask from a reference; needs no group.
 * Each position's window reaches toleranceBefore back and toleranceAfter
 * ahead; its highest code plus the upper tolerance, limited to 2047, and
 * its lowest minus the lower tolerance, limited to -2048, are the limits.
 *   reference            count raw codes
 *   count                samples of the reference, and of the mask
 *   referenceRate        samples per second, 1..1e12
 *   toleranceBefore      picoseconds looked back from each point
 *   toleranceAfter       picoseconds looked ahead
 *   toleranceBelow/Above in the caller's unit, turned into codes as
 *                        tolerance / 1000000 x verticalFactor /
 *                        *verticalDivisor; 0..65535 codes
 *   verticalFactor, verticalDivisor   that conversion
 *   referenceTimeOffset  picoseconds: the time offset uZyvSDKReadExRaw gave
 *                        with the reference; it becomes the mask's shift
 * Returns 1, or 0.
 * LastError: 1 for a null reference or divisor; 17 for a negative count, a
 * rate outside 1..1e12, a zero divisor or a tolerance outside 0..65535
 * codes (the old mask kept), and when memory runs out (no mask then). */
UZYV_API int32_t UZYV_CALL uZyvSDKPassFailInit(const int16_t* reference, int32_t count,
                                               int64_t referenceRate, int64_t toleranceBefore,
                                               int64_t toleranceAfter, int32_t toleranceBelow,
                                               int32_t toleranceAbove, int32_t verticalFactor,
                                               const double* verticalDivisor,
                                               int32_t referenceTimeOffset);

/* uZyvSDKPassFailGetMask: copies the mask out. Each pair (array, count) is
 * skipped when either pointer is null.
 *   upper, upperCount   the count holds the array's capacity on entry and the
 *                       number copied, min(record length, capacity, mask
 *                       length), on return
 *   lower, lowerCount   the same for the lower limits
 *   refShift            receives the mask's shift in samples; may be null
 * LastError: the record-length getter's codes (28, 29); 37 without a mask. */
UZYV_API int32_t UZYV_CALL uZyvSDKPassFailGetMask(int16_t* upper, int32_t* upperCount,
                                                  int16_t* lower, int32_t* lowerCount,
                                                  int32_t* refShift);

/* uZyvSDKPassFailCheck: reads a channel's current record unshifted and
 * tests it against the mask (a sample equal to a limit passes).
 *   channel  the channel to test
 *   result   receives -1 when every compared sample lies within the mask,
 *            else the step number of the first that does not
 * Returns 1 once the record was compared, else 0 (result untouched).
 * LastError: 37 without a mask; the getters' codes (28, 29); 3 for a
 * negative channel; 1 for a null result; 17 when the cached sample rate is
 * outside 1..1e12; the read's codes. */
UZYV_API int32_t UZYV_CALL uZyvSDKPassFailCheck(int32_t channel, int32_t* result);

/* ========================================================================
 * Autoset
 * ======================================================================== */

/* uZyvSDKAutoset: sets up every channel of the current group for the signal
 * present. Record length 10000, wait mode 0, position 8000, offset 0,
 * bandwidth limit and coupling 0, channels on; then volts/div searched from
 * 10000000 down to 2000 uV/div over 40 captures, each waited for at most
 * 2 s (once a wait ran out, the later captures of the run are polled once);
 * an edge trigger on channel 0 in the middle of its signal (or of what it
 * showed at 2000 uV/div when it never matched), its level saturated to the
 * int32 range (infinite levels too) and 0 when not a number, cached for the
 * next uZyvSDKCaptureEx; the sample rate from the runtime's reading. Blocks
 * its caller meanwhile.
 * Returns 1 once started, whatever happened on the way (failures leave their
 * codes in LastError); 0 for an unusable group, and 0 without a new
 * LastError and without changing anything when the runtime has no signal
 * summary entry (ZyvHwInfo).
 * LastError: 28 or 29 for an unusable group; the codes of the setters,
 * captures and reads it calls. */
UZYV_API int32_t UZYV_CALL uZyvSDKAutoset(void);

#ifdef __cplusplus
}
#endif

#endif /* UZYVSDK_H */
