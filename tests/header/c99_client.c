/* The public header as a strict C99 client sees it. */
#include <string.h>

#include "uZyvSDK.h"

const char* uzyv_c99_client(int32_t code) {
  CaptureParams params;
  memset(&params, 0, sizeof params);
  params.recordLength = UZYV_VERSION >= 10000 ? 1000 : 0;
  return params.recordLength ? uZyvErrorText(code) : UZYV_VERSION_STRING;
}
