// The runtime entries as the hub implements them; each copy of the simulated
// Zyvrun.dll forwards its exports here with its own instance number.
#pragma once

#include <stdint.h>

#include "zyvsim.h"

extern "C" {
ZYVSIM_API int32_t zyvsim_attach(const char* modulePath);
ZYVSIM_API void zyvsim_detach(int32_t instance);

ZYVSIM_API int32_t zyvsim_uZyvInit(int32_t instance);
ZYVSIM_API int32_t zyvsim_uZyvInitStack(int32_t instance, void* stackList);
ZYVSIM_API int32_t zyvsim_uZyvShutdown(int32_t instance);
ZYVSIM_API int32_t zyvsim_uZyvEnv(int32_t instance, void* request);
ZYVSIM_API int32_t zyvsim_uZyvGetHwInfo(int32_t instance, int32_t device, int32_t selector, void* buffer);
ZYVSIM_API int32_t zyvsim_ZyvHwInfo(int32_t instance, int32_t device, int32_t selector, void* buffer);
ZYVSIM_API int32_t zyvsim_uZyvSetting(int32_t instance, int32_t channel, int32_t id, intptr_t value);
ZYVSIM_API int32_t zyvsim_ZyvSetting(int32_t instance, int32_t id, int32_t value, int32_t reserved);
ZYVSIM_API int32_t zyvsim_uZyvCapture(int32_t instance, void* params);
ZYVSIM_API int32_t zyvsim_uZyvStop(int32_t instance);
ZYVSIM_API int32_t zyvsim_uZyvForceTrig(int32_t instance, int32_t device);
ZYVSIM_API int32_t zyvsim_uZyvGetStatus(int32_t instance, int32_t value);
ZYVSIM_API int32_t zyvsim_uZyvDataReady(int32_t instance);
ZYVSIM_API int32_t zyvsim_uZyvRead(int32_t instance, intptr_t value);
ZYVSIM_API int32_t zyvsim_uZyvReadEx(int32_t instance, void* request, int32_t device, int32_t one);
ZYVSIM_API int32_t zyvsim_uZyvGetErrorCode(int32_t instance);
ZYVSIM_API int32_t zyvsim_uZyvReadWithFFT(int32_t instance);
}
