# Compiler settings shared by the product, the simulated runtime and the tests.

# Identical double arithmetic on both hosts: SSE2 doubles on i686 (no x87
# extended precision) and no fused multiply-add contraction anywhere.
add_compile_options(-ffp-contract=off)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "i.86" OR CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_compile_options(-msse2 -mfpmath=sse)
endif()

if(UZYV_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# The fuzz build instruments everything for the fuzzer and both sanitizers;
# the fuzz targets add libFuzzer itself when they are linked.
if(UZYV_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "UZYV_FUZZ needs clang (CC=clang CXX=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

function(uzyv_strict_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wconversion -Wno-sign-conversion
                         $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor>)
endfunction()

if(WIN32)
  # Everything we build for Windows links its runtime statically, so that the
  # DLLs and test programs run under Wine with no extra runtime DLLs.
  set(UZYV_WIN_STATIC_LINK -static -static-libgcc -static-libstdc++)
endif()
