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

/* Shapes of the simulated instrument's signals. */
#define ZYVSIM_SHAPE_SINE 0
#define ZYVSIM_SHAPE_SQUARE 1
#define ZYVSIM_SHAPE_TRIANGLE 2
#define ZYVSIM_SHAPE_PULSE 3
#define ZYVSIM_SHAPE_STEP 4
#define ZYVSIM_SHAPE_DC 5

/* The signal at one input: it spans dcLevel +- amplitude / 2 and crosses its
 * middle rising at the start of each period, `delay` after channel 0's time
 * origin. See sim/README.md. */
typedef struct ZyvSimSignal {
  int32_t shape;     /* ZYVSIM_SHAPE_* */
  double frequency;  /* hertz */
  double amplitude;  /* volts peak-to-peak */
  double dcLevel;    /* volts */
  double delay;      /* seconds */
  double duty;       /* pulse: fraction of the period high (0..1) */
  double riseTime;   /* seconds, 10-90 % (square, pulse, step) */
  double overshoot;  /* step: first peak as a fraction of the amplitude */
  double noise;      /* volts rms */
} ZyvSimSignal;

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
  ZyvSimSignal signals[2]; /* what the instrument's inputs carry */
} ZyvSimDevice;

typedef struct ZyvSimConfig {
  int32_t deviceCount;   /* what uZyvInit and uZyvInitStack report */
  ZyvSimDevice devices[ZYVSIM_MAX_DEVICES];
  /* 1: the simulated instrument answers captures, reads, the calibration
   * (selector 7) and the signal summaries (306) from the signals and the
   * settings received, and uZyvInit reads zyvsim.ini from the current
   * folder. 0: the scripted answers below and the calibration above.
   * Scripting an answer of an instance (zyvsim_set_wave, _set_samples,
   * _set_read_reply, _set_data_source, _set_summary, _script_summaries)
   * sets it to 0. */
  int32_t instrument;
  uint32_t seed;         /* the instrument's noise and sample-clock phases */
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

/* The runtime entries and the functions here may be called from several
 * threads: each runs under the hub's one lock. A log entry stays valid until
 * the next call that logs into its instance or clears it. */
ZYVSIM_API int32_t zyvsim_log_count(int32_t instance);
ZYVSIM_API const ZyvSimCall* zyvsim_log_entry(int32_t instance, int32_t index);
ZYVSIM_API void zyvsim_clear_log(int32_t instance);

/* The value last received for a setting ID on a channel (the int64 or double
 * bits behind an address for settings sent by address); 0 when never sent. */
ZYVSIM_API int32_t zyvsim_setting(int32_t instance, int32_t channel, int32_t settingId, int64_t* value);

/* ------------------------------------------------------------------------
 * Waveform reads. Each uZyvReadEx of a device fills the library's buffer
 * with two blocks of codes, input 0's then input 1's, each as long as the
 * record length the instance last received with setting 12 (the library
 * sends its record length + 4096); it also reports a status word and a time
 * offset. The codes come from the instance's data source: the built-in one
 * plays the waveforms and the read reply set below; a generator can be
 * plugged in instead with zyvsim_set_data_source.
 * ------------------------------------------------------------------------ */

/* Waveform kinds of the built-in data source; code k of a block is: */
#define ZYVSIM_WAVE_CONSTANT 0 /* level */
#define ZYVSIM_WAVE_RAMP 1     /* level + step * k, wrapped to 16 bits */
#define ZYVSIM_WAVE_SQUARE 2   /* high for the first highSamples of every period, else level */
#define ZYVSIM_WAVE_SAMPLES 3  /* the codes given to zyvsim_set_samples (0 beyond them) */

typedef struct ZyvSimWave {
  int32_t kind;        /* ZYVSIM_WAVE_* */
  int32_t level;       /* constant code; the ramp's first code; the square's low code */
  int32_t step;        /* ramp: increase per code */
  int32_t high;        /* square: high code */
  int32_t period;      /* square: codes per period (below 1: always low) */
  int32_t highSamples; /* square: codes at the high level at the start of each period */
} ZyvSimWave;

/* One device read as a data source sees it. */
typedef struct ZyvSimRead {
  int32_t device;
  int32_t blockLength; /* codes per input */
  int16_t* block[2];   /* input 0's and input 1's block, to be filled */
  int32_t status;      /* on entry the configured status word; reported as left */
  int64_t timeOffset;  /* on entry the configured time offset (ps); reported as left */
} ZyvSimRead;

/* Fills one device read; returns 0 to make the read fail with `errorCode`. */
typedef int32_t (*ZyvSimDataSource)(void* context, int32_t instance, ZyvSimRead* read, int32_t* errorCode);

/* The waveform of one input of a device (built-in source); all start constant 0. */
ZYVSIM_API void zyvsim_set_wave(int32_t instance, int32_t device, int32_t input, const ZyvSimWave* wave);
/* Copies `count` codes to play on one input (the kind becomes ZYVSIM_WAVE_SAMPLES). */
ZYVSIM_API void zyvsim_set_samples(int32_t instance, int32_t device, int32_t input, const int16_t* codes,
                                   int32_t count);
/* The status word and time offset (picoseconds) that reads of a device report; both start 0. */
ZYVSIM_API void zyvsim_set_read_reply(int32_t instance, int32_t device, int32_t status, int64_t timeOffset);
/* Replaces the instance's data source; null restores the built-in one. */
ZYVSIM_API void zyvsim_set_data_source(int32_t instance, ZyvSimDataSource source, void* context);
/* The built-in data source, for sources that want to build on it (context unused). */
ZYVSIM_API int32_t zyvsim_builtin_source(void* context, int32_t instance, ZyvSimRead* read, int32_t* errorCode);
/* The block length the next read of the instance fills. */
ZYVSIM_API int32_t zyvsim_block_length(int32_t instance);

/* ------------------------------------------------------------------------
 * Signal summaries. ZyvHwInfo with selector 306 fills a 24-byte record for a
 * device: int32 request (left as the library sent it), then the highest and
 * the lowest code of input 0, the same of input 1, and the rate reading. A
 * device answers the summaries scripted for it, one per query, and then its
 * steady summary; until it is given one, it shows no signal (all four codes
 * at the middle code of the resolution last received through ZyvSetting
 * 116, 8 bits before any; rate reading 0). Other selectors fail with code 2.
 * ------------------------------------------------------------------------ */

typedef struct ZyvSimSummary {
  int32_t codeMax0;
  int32_t codeMin0;
  int32_t codeMax1;
  int32_t codeMin1;
  int32_t rateReading;
} ZyvSimSummary;

/* The summary a device answers once its script is used up; null restores no signal. */
ZYVSIM_API void zyvsim_set_summary(int32_t instance, int32_t device, const ZyvSimSummary* summary);
/* Replaces the device's script: the next `count` queries answer these in order. */
ZYVSIM_API void zyvsim_script_summaries(int32_t instance, int32_t device, const ZyvSimSummary* list,
                                        int32_t count);
/* Scripted summaries of the device not yet answered. */
ZYVSIM_API int32_t zyvsim_scripted_left(int32_t instance, int32_t device);

/* ------------------------------------------------------------------------
 * The simulated instrument (config.instrument = 1, the built-in default).
 * The signals come from config.devices[d].signals at each capture, so a
 * change takes effect with the next one.
 * ------------------------------------------------------------------------ */

typedef struct ZyvSimCaptureInfo {
  int64_t captures;   /* captures taken so far */
  int32_t pending;    /* 1 while a capture waits for its trigger */
  int32_t triggered;  /* the last capture found its trigger event */
  double eventTime;   /* seconds of simulated time of that event */
  int64_t timeOffset[ZYVSIM_MAX_DEVICES]; /* what reads of each device report, picoseconds */
} ZyvSimCaptureInfo;

/* What the instance's instrument has captured; 0 for an unknown instance. */
ZYVSIM_API int32_t zyvsim_capture_info(int32_t instance, ZyvSimCaptureInfo* info);

#ifdef __cplusplus
}
#endif

#endif /* ZYVSIM_H */
