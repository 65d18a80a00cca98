# The part of the two macOS toolchains that does not depend on the processor: the including file sets
# CMAKE_SYSTEM_PROCESSOR, VIBREL_MACOS_ARCH (Apple's name) and VIBREL_MACOS_MIN (minimum system) first.
# No SDK: clang for the Apple target, LLVM's ld64.lld, and our own C headers (cmake/macos/include) and
# text stubs of libSystem and the host's audio framework (cmake/macos). Each build makes one slice; the
# universal bundles are joined from both by cmake/macos/universal.cmake.
set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_OSX_ARCHITECTURES ${VIBREL_MACOS_ARCH} CACHE STRING "")
set(CMAKE_OSX_DEPLOYMENT_TARGET ${VIBREL_MACOS_MIN} CACHE STRING "")
set(CMAKE_OSX_SYSROOT "" CACHE PATH "")

set(VIBREL_LLVM_BIN /usr/lib/llvm-14/bin)
set(CMAKE_C_COMPILER ${VIBREL_LLVM_BIN}/clang)
set(CMAKE_CXX_COMPILER ${VIBREL_LLVM_BIN}/clang++)
set(CMAKE_C_COMPILER_TARGET ${VIBREL_MACOS_ARCH}-apple-macos${VIBREL_MACOS_MIN})
set(CMAKE_CXX_COMPILER_TARGET ${VIBREL_MACOS_ARCH}-apple-macos${VIBREL_MACOS_MIN})
set(CMAKE_AR ${VIBREL_LLVM_BIN}/llvm-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${VIBREL_LLVM_BIN}/llvm-ranlib CACHE FILEPATH "")
set(CMAKE_INSTALL_NAME_TOOL ${VIBREL_LLVM_BIN}/llvm-install-name-tool CACHE FILEPATH "")
set(VIBREL_OBJDUMP ${VIBREL_LLVM_BIN}/llvm-objdump)

# Archives in the Darwin format, indexed by llvm-ranlib (Apple's ranlib flags mean nothing to it).
foreach(lang C CXX)
  set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qc --format=darwin <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> q --format=darwin <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> <TARGET>")
endforeach()

# No system headers or libraries exist for this target here: nothing but ours is searched.
set(VIBREL_MACOS_DIR ${CMAKE_CURRENT_LIST_DIR}/../macos)
set(CMAKE_C_FLAGS_INIT "-nostdinc -isystem ${VIBREL_MACOS_DIR}/include")
set(CMAKE_CXX_FLAGS_INIT "-nostdinc -nostdinc++ -isystem ${VIBREL_MACOS_DIR}/include")
# A recent linker version makes the driver pass -platform_version, the form ld64.lld reads; the
# header options above reach the link line too, where they mean nothing.
set(VIBREL_MACOS_LINK "--ld-path=${VIBREL_LLVM_BIN}/ld64.lld -mlinker-version=609 -nostdlib -Wno-unused-command-line-argument")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${VIBREL_MACOS_LINK}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${VIBREL_MACOS_LINK}")
# The compiler checks cannot link an executable without the C runtime's start files.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
