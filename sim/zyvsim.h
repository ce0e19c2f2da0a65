/*
 * Control interface of the simulated acquisition runtime.
 *
 * Every loaded copy of the simulated Zyvrun.dll is one instrument instance,
 * registered in this hub in load order (instance 0 is the first copy loaded
 * since the last zyvsim_reset). Tests, examples and tools configure instances
 * and read the log of every runtime call through these functions.
 */
#ifndef ZYVSIM_H
#define ZYVSIM_H

#include <stdint.h>

#if defined(_WIN32)
#  if defined(ZYVSIM_BUILDING_HUB)
#    define ZYVSIM_API __declspec(dllexport)
#  else
#    define ZYVSIM_API __declspec(dllimport)
#  endif
#else
#  define ZYVSIM_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define ZYVSIM_MAX_DEVICES 16
#define ZYVSIM_BLOCK_BYTES 320

typedef struct ZyvSimDevice {
  char vendorName[10];
  char productName[10];
  char serialNum[16];
  int32_t hwVer;
  int32_t fwVer;
  int32_t productId;     /* 8722 marks the extended product */
  uint32_t usbHandle;
  double calibration[6]; /* gain, zero level, base offset of input 0, then input 1 */
  int32_t temperature;
} ZyvSimDevice;

typedef struct ZyvSimConfig {
  int32_t deviceCount;   /* what uZyvInit and uZyvInitStack report */
  ZyvSimDevice devices[ZYVSIM_MAX_DEVICES];
} ZyvSimConfig;

/* One runtime call. Integer arguments in call order; a block passed by
 * address (int64 values, trigger records, stack lists, environment
 * requests, capture parameters, the on/off query) is copied during the call. */
typedef struct ZyvSimCall {
  char entry[24];
  int64_t arg[3];
  int32_t blockSize;
  uint8_t block[ZYVSIM_BLOCK_BYTES];
} ZyvSimCall;

/* Forgets every instance and restores the built-in defaults. */
ZYVSIM_API void zyvsim_reset(void);
/* The configuration that instances loaded from now on start with. */
ZYVSIM_API ZyvSimConfig* zyvsim_defaults(void);
ZYVSIM_API int32_t zyvsim_instance_count(void);
/* The live configuration of an instance; null for an unknown instance. */
ZYVSIM_API ZyvSimConfig* zyvsim_config(int32_t instance);
/* 1 while the instance's copy is loaded, 0 after it was unloaded. */
ZYVSIM_API int32_t zyvsim_loaded(int32_t instance);
/* The file the instance's copy was loaded from. */
ZYVSIM_API const char* zyvsim_module_path(int32_t instance);

/* From now on, calls of `entry` (a runtime entry name) on the instance return
 * `result` without effect and make uZyvGetErrorCode report `errorCode`.
 * `match` limits the fault to one setting ID (uZyvSetting), one device index
 * (uZyvGetHwInfo, uZyvForceTrig, uZyvReadEx) or one selector (ZyvSetting's
 * id); -1 matches every call. */
ZYVSIM_API void zyvsim_fail(int32_t instance, const char* entry, int64_t match, int32_t result, int32_t errorCode);
ZYVSIM_API void zyvsim_clear_faults(int32_t instance);

ZYVSIM_API int32_t zyvsim_log_count(int32_t instance);
ZYVSIM_API const ZyvSimCall* zyvsim_log_entry(int32_t instance, int32_t index);
ZYVSIM_API void zyvsim_clear_log(int32_t instance);

/* The value last received for a setting ID on a channel (the int64 or double
 * bits behind an address for settings sent by address); 0 when never sent. */
ZYVSIM_API int32_t zyvsim_setting(int32_t instance, int32_t channel, int32_t settingId, int64_t* value);

#ifdef __cplusplus
}
#endif

#endif /* ZYVSIM_H */
