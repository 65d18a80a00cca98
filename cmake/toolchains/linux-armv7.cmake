# Linux armv7 hard-float (32-bit Raspberry Pi systems and other armhf boards) with Debian's cross compiler
# (package g++-arm-linux-gnueabihf); its programs run here under qemu-arm (package qemu-user). Builds what
# the aarch64 toolchain builds.
#
# Doubles in the VFP unit, passed in VFP registers (hard float, the armhf ABI). -mfpu=vfpv3-d16 is
# Debian armhf's own baseline, which every ARMv7-A board has (Cortex-A7 of the Pi 2, A53 and A72 of
# the Pi 3 and 4 in 32-bit mode): VFPv3 has no fused multiply-add instruction at all (vfma came with
# VFPv4), so none can appear whatever the compiler does, and NEON would add nothing here, having no
# double-precision lanes. Its vmla/vmls are chained (the product rounded before the sum): exact.
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(VIBREL_LINUX_TRIPLE arm-linux-gnueabihf)
set(VIBREL_QEMU qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/linux-common.cmake)
set(CMAKE_C_FLAGS_INIT "-march=armv7-a -mfpu=vfpv3-d16 -mfloat-abi=hard")
set(CMAKE_CXX_FLAGS_INIT "-march=armv7-a -mfpu=vfpv3-d16 -mfloat-abi=hard")
