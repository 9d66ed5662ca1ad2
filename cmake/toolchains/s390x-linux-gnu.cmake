# Big-endian s390x with Debian's cross compiler; programs run under qemu's user-mode emulator.
# The libraries come from the sysroot that .ci/s390x-sysroot.sh unpacks (QRVX_SYSROOT, by default
# build/s390x-sysroot of the source tree).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(CMAKE_C_COMPILER s390x-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER s390x-linux-gnu-g++)

if(NOT QRVX_SYSROOT)
    get_filename_component(QRVX_SYSROOT "${CMAKE_CURRENT_LIST_DIR}/../../build/s390x-sysroot"
        ABSOLUTE)
endif()
if(NOT EXISTS "${QRVX_SYSROOT}/usr/include/png.h")
    message(FATAL_ERROR "No s390x sysroot at ${QRVX_SYSROOT}: run .ci/s390x-sysroot.sh first")
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QRVX_SYSROOT)

# Headers and libraries from the sysroot (and the compiler's own); programs from the host.
set(CMAKE_FIND_ROOT_PATH "${QRVX_SYSROOT}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libpng's own dependency (zlib) is resolved at link time from the sysroot.
set(sysroot_libraries "${QRVX_SYSROOT}/lib/s390x-linux-gnu:${QRVX_SYSROOT}/usr/lib/s390x-linux-gnu")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,-rpath-link,${sysroot_libraries}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-Wl,-rpath-link,${sysroot_libraries}")

# The sysroot holds the s390x C and C++ runtime, so -L is all qemu needs.
find_program(QRVX_QEMU qemu-s390x-static qemu-s390x REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR "${QRVX_QEMU};-L;${QRVX_SYSROOT}")
