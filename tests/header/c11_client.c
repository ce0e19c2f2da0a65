/* The public header as a C11 client sees it: the record layouts' checks
 * are compiled in. */
#include "uZyvSDK.h"

#if !defined(__STDC_VERSION__) || __STDC_VERSION__ < 201112L
#error "compiled as C11"
#endif

_Static_assert(UZYV_ERR_HOLDOFF_TIME == 41, "error codes are plain constants");

const char* uzyv_c11_client(int32_t code) { return uZyvErrorText(code); }
