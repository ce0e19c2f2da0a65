# Compiler settings shared by the product, the simulated runtime, the tools
# and the tests. Nothing here is global: every target links uzyv_build_options
# (and calls uzyv_strict_warnings where the code is ours and kept clean).

add_library(uzyv_build_options INTERFACE)

# Identical double arithmetic on both hosts: SSE2 doubles on i686 (no x87
# extended precision) and no fused multiply-add contraction anywhere.
target_compile_options(uzyv_build_options INTERFACE -ffp-contract=off)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "i.86" OR CMAKE_SIZEOF_VOID_P EQUAL 4)
  target_compile_options(uzyv_build_options INTERFACE -msse2 -mfpmath=sse)
endif()

if(UZYV_SANITIZE)
  target_compile_options(uzyv_build_options INTERFACE
      -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(uzyv_build_options INTERFACE -fsanitize=address,undefined)
endif()

if(WIN32)
  # Everything we build for Windows links its runtime statically, so that the
  # DLLs and programs run under Wine (and on a bare Windows) with no extra
  # runtime DLLs.
  set(UZYV_WIN_STATIC_LINK -static -static-libgcc -static-libstdc++)
  target_link_options(uzyv_build_options INTERFACE ${UZYV_WIN_STATIC_LINK})
endif()

if(UZYV_SANITIZE_THREAD)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
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
  # Prefix of the cross binutils (dlltool, nm, objdump), from the compiler's
  # name: i686-w64-mingw32-gcc-posix -> i686-w64-mingw32-.
  get_filename_component(compiler_name "${CMAKE_C_COMPILER}" NAME)
  string(REGEX REPLACE "gcc(-posix|-win32)?(\\.exe)?$" "" UZYV_MINGW_PREFIX "${compiler_name}")
  # 32-bit __stdcall symbols carry an @<bytes> suffix, which the exported
  # names drop; x64 has a single calling convention and plain symbols.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(UZYV_WIN_PLAIN_EXPORTS -Wl,--kill-at -Wl,--enable-stdcall-fixup)
  endif()
endif()
