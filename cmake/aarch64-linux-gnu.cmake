# Cross build for 64-bit Arm (Debian arm64, Raspberry Pi OS 64-bit) on a Debian amd64
# machine with crossbuild-essential-arm64 and the Qt packages of both architectures
# (see scripts/package --arch arm64):
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
# Libraries and CMake packages come from Debian's multiarch folders
# (/usr/lib/aarch64-linux-gnu); Qt's code generators (moc, rcc, uic) are the build
# machine's. Tests run under qemu-user, so ctest works as in a native build.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

set(QT_HOST_PATH /usr)

# pkg-config sees the target's .pc files only, never the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# The target's libc and loader come from libc6:arm64 in the multiarch folders, so
# qemu needs no separate root.
find_program(KELVARIS_QEMU_AARCH64 NAMES qemu-aarch64-static qemu-aarch64)
if(KELVARIS_QEMU_AARCH64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${KELVARIS_QEMU_AARCH64})
endif()
