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

function(uzyv_strict_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wconversion -Wno-sign-conversion
                         $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor>)
endfunction()

if(WIN32)
  # Everything we build for Windows links its runtime statically, so that the
  # DLLs and test programs run under Wine with no extra runtime DLLs.
  set(UZYV_WIN_STATIC_LINK -static -static-libgcc -static-libstdc++)
  # 32-bit __stdcall symbols carry an @<bytes> suffix, which the exported
  # names drop; x64 has a single calling convention and plain symbols.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(UZYV_WIN_PLAIN_EXPORTS -Wl,--kill-at -Wl,--enable-stdcall-fixup)
  endif()
endif()
