# Cross build for the phone's 32-bit ARM processor (hard-float EABI) with Debian's
# cross compiler and the armhf -dev packages installed beside the host ones.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabihf)

# Libraries and headers come from the multiarch directories of the armhf packages;
# programs (code generators, the packet builder run at build time) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/arm-linux-gnueabihf)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/arm-linux-gnueabihf/pkgconfig:/usr/share/pkgconfig)

# There is no binfmt registration: every ARM program runs through the emulator.
# "-L /" lets it use the armhf C library of the multiarch tree, the same one the
# program was linked against.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm;-L;/)
