// The public header as a C++11 client sees it.
#include "uZyvSDK.h"

static_assert(sizeof(CaptureParams) == 144, "the header's own checks hold");

const char* uzyv_cxx11_client(int32_t code) { return uZyvErrorText(code); }
