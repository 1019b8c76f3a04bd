# Cross-compiling for the handheld's 32-bit ARM CPU (armhf: ARMv7, hard float).
#
#   cmake -S . -B build-armhf -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-armhf.cmake \
#         -DARMHF_SYSROOT=/path/to/sysroot
#
# ARMHF_SYSROOT (a cache variable, or else the environment variable of the same
# name) is the target's root file system: headers, libraries and pkg-config
# files of glibc, libstdc++, the SDL 1.2 stack and alsa-lib. tools/make-armhf-sysroot
# builds one from Debian's armhf packages; a firmware builder points it at the
# vendor's own sysroot instead.
#
# ARMHF_CROSS_PREFIX (default "arm-linux-gnueabihf-", Debian's g++-arm-linux-gnueabihf)
# names the compiler; a vendor toolchain gives its own prefix, with its bin
# folder on PATH or as a full path ("/opt/vendor/bin/arm-linux-gnueabihf-").
#
# When qemu-arm is installed, it becomes the emulator through which CMake and
# CTest run the target's programs (test discovery and the test runs), with the
# sysroot as the prefix of the target's dynamic loader and libraries.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

# try_compile() projects read this file again without the cache: hand the
# settings down to them.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ARMHF_SYSROOT ARMHF_CROSS_PREFIX)

if(NOT ARMHF_SYSROOT AND DEFINED ENV{ARMHF_SYSROOT})
    set(ARMHF_SYSROOT "$ENV{ARMHF_SYSROOT}")
endif()
if(NOT ARMHF_SYSROOT)
    message(FATAL_ERROR "armhf: set ARMHF_SYSROOT (cache variable or environment) to the target's sysroot; "
                        "tools/make-armhf-sysroot DIR makes one from Debian's packages")
endif()
get_filename_component(ARMHF_SYSROOT "${ARMHF_SYSROOT}" REALPATH)
if(NOT IS_DIRECTORY "${ARMHF_SYSROOT}")
    message(FATAL_ERROR "armhf: ARMHF_SYSROOT ${ARMHF_SYSROOT} is not a folder")
endif()
set(ARMHF_SYSROOT "${ARMHF_SYSROOT}" CACHE PATH "Root file system of the armhf target" FORCE)
set(ENV{ARMHF_SYSROOT} "${ARMHF_SYSROOT}")

if(NOT ARMHF_CROSS_PREFIX)
    if(DEFINED ENV{ARMHF_CROSS_PREFIX})
        set(ARMHF_CROSS_PREFIX "$ENV{ARMHF_CROSS_PREFIX}")
    else()
        set(ARMHF_CROSS_PREFIX "arm-linux-gnueabihf-")
    endif()
endif()
set(ARMHF_CROSS_PREFIX "${ARMHF_CROSS_PREFIX}" CACHE STRING "Prefix of the armhf cross compiler's programs" FORCE)

set(CMAKE_C_COMPILER "${ARMHF_CROSS_PREFIX}gcc")
set(CMAKE_CXX_COMPILER "${ARMHF_CROSS_PREFIX}g++")
set(CMAKE_SYSROOT "${ARMHF_SYSROOT}")
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabihf)

# Headers, libraries and packages come only from the sysroot; build tools from
# this machine.
set(CMAKE_FIND_ROOT_PATH "${ARMHF_SYSROOT}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config reads only the sysroot's .pc files and prefixes their paths with it.
set(ENV{PKG_CONFIG_SYSROOT_DIR} "${ARMHF_SYSROOT}")
set(ENV{PKG_CONFIG_LIBDIR}
    "${ARMHF_SYSROOT}/usr/lib/arm-linux-gnueabihf/pkgconfig:${ARMHF_SYSROOT}/usr/lib/pkgconfig:${ARMHF_SYSROOT}/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

# The shared libraries' own dependencies (libpulse's private libpulsecommon,
# X11, ...) are found through -rpath-link; nothing of that lands in the binary.
set(_armhf_link_dirs "")
foreach(_d lib/arm-linux-gnueabihf usr/lib/arm-linux-gnueabihf usr/lib/arm-linux-gnueabihf/pulseaudio
           lib usr/lib usr/lib/pulseaudio)
    if(IS_DIRECTORY "${ARMHF_SYSROOT}/${_d}")
        string(APPEND _armhf_link_dirs " -Wl,-rpath-link,${ARMHF_SYSROOT}/${_d}")
    endif()
endforeach()
set(CMAKE_EXE_LINKER_FLAGS_INIT "${_armhf_link_dirs}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${_armhf_link_dirs}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${_armhf_link_dirs}")
# Without this the binaries carry a RUNPATH into this machine's build tree.
set(CMAKE_SKIP_RPATH ON CACHE BOOL "" FORCE)

# GCC's notes on the ARM parameter-passing change of GCC 7.1 concern mixing
# objects from compilers older than that; everything here comes from one compiler.
#
# 64-bit file offsets: disc images on the SD cards exceed 2 GiB, and without
# them stat() and open() of such a file fail with EOVERFLOW on the 32-bit CPU;
# readdir() fails the same way on a file system that hands out 64-bit directory
# offsets (ext4 seen through qemu-user). time_t stays 32-bit, as the target's
# libraries were built with it.
set(CMAKE_C_FLAGS_INIT "-Wno-psabi -D_FILE_OFFSET_BITS=64")
set(CMAKE_CXX_FLAGS_INIT "-Wno-psabi -D_FILE_OFFSET_BITS=64")

find_program(ARMHF_QEMU NAMES qemu-arm qemu-arm-static)
if(ARMHF_QEMU)
    # -L: the target's ld-linux-armhf.so.3, its libraries and glibc's gconv
    # modules are looked up in the sysroot.
    set(CMAKE_CROSSCOMPILING_EMULATOR "${ARMHF_QEMU};-L;${ARMHF_SYSROOT}")
else()
    message(STATUS "armhf: qemu-arm not found; the build works, the tests cannot run here")
endif()
