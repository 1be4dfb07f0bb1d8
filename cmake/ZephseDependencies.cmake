# Every third-party library comes from Debian's packages (scripts/setup.sh installs them).

find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(ZLIB REQUIRED)
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(ICU REQUIRED COMPONENTS uc i18n data)

pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo)
pkg_check_modules(PIXMAN REQUIRED IMPORTED_TARGET pixman-1)
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(HARFBUZZ REQUIRED IMPORTED_TARGET harfbuzz)
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
pkg_check_modules(CURL REQUIRED IMPORTED_TARGET libcurl)
# MD5 through libcrypto's tuned block function.
find_package(OpenSSL REQUIRED COMPONENTS Crypto)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
# The desktop's notification area is reached over the session bus.
pkg_check_modules(DBUS REQUIRED IMPORTED_TARGET dbus-1)
pkg_check_modules(PCRE2 REQUIRED IMPORTED_TARGET libpcre2-16)
pkg_check_modules(SOXR REQUIRED IMPORTED_TARGET soxr)
# The peer tag library, read side by side with ours by a test program and a benchmark only.
pkg_check_modules(TAGLIB IMPORTED_TARGET taglib)
# The peer playlist parser, likewise for a test program and a benchmark only.
pkg_check_modules(TOTEM_PLPARSER IMPORTED_TARGET totem-plparser)
# WebP is loaded at run time; only its headers are used at build time.
pkg_check_modules(WEBP IMPORTED_TARGET libwebp)

find_path(GIF_INCLUDE_DIR gif_lib.h REQUIRED)
find_library(GIF_LIBRARY gif REQUIRED)
add_library(zephse_gif INTERFACE)
target_include_directories(zephse_gif INTERFACE ${GIF_INCLUDE_DIR})
target_link_libraries(zephse_gif INTERFACE ${GIF_LIBRARY})

if(ZEPHSE_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
if(ZEPHSE_BENCH)
  find_package(benchmark REQUIRED)
endif()
