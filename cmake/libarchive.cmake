# libarchive 3.6.2, static with zlib only, as scripts/setup builds it into a
# cache outside the clone: one build for MinGW, one for the native programs.
# wapp_libarchive(FLAVOUR LIBS...) makes the target wapp_libarchive of the
# build for FLAVOUR (mingw64, linux-x64), linked with LIBS.
if(DEFINED ENV{WAPP_CACHE})
  set(wapp_cache_default "$ENV{WAPP_CACHE}")
else()
  set(wapp_cache_default "/var/cache/wapp")
endif()
set(WAPP_CACHE "${wapp_cache_default}" CACHE PATH "where scripts/setup keeps the dependencies it builds")

function(wapp_libarchive flavour)
  set(WAPP_LIBARCHIVE_DIR "${WAPP_CACHE}/libarchive-3.6.2-${flavour}" CACHE PATH "libarchive 3.6.2 built by scripts/setup")
  add_library(wapp_libarchive STATIC IMPORTED GLOBAL)
  set_target_properties(wapp_libarchive PROPERTIES
    IMPORTED_LOCATION "${WAPP_LIBARCHIVE_DIR}/lib/libarchive.a"
    INTERFACE_INCLUDE_DIRECTORIES "${WAPP_LIBARCHIVE_DIR}/include"
    INTERFACE_COMPILE_DEFINITIONS LIBARCHIVE_STATIC
    INTERFACE_LINK_LIBRARIES "${ARGN}")
endfunction()
