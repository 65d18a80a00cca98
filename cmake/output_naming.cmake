# Per-target names of the plug-in module, in one place:
#   Windows x86-64  <class>.mxe64      Windows x86  <class>.mxe
#   macOS           <class>.mxo bundle Linux        <class>.so (loaded by the emulator only)
# Each macOS build makes the bundle of its own slice; cmake/macos/universal.cmake joins the two.
function(vibrel_name_plugin target class)
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME "${class}"
    LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/externals)
  if(WIN32)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
      set_target_properties(${target} PROPERTIES SUFFIX ".mxe64")
    else()
      set_target_properties(${target} PROPERTIES SUFFIX ".mxe")
    endif()
  elseif(APPLE)
    # vibrel~.mxo/Contents/{MacOS/vibrel~, Info.plist, PkgInfo}; the identifier drops the "~".
    string(REPLACE "~" "" stem "${class}")
    set_target_properties(${target} PROPERTIES BUNDLE TRUE BUNDLE_EXTENSION "mxo"
      MACOSX_BUNDLE_INFO_PLIST ${PROJECT_SOURCE_DIR}/cmake/macos/Info.plist.in
      MACOSX_BUNDLE_BUNDLE_NAME "${class}"
      MACOSX_BUNDLE_GUI_IDENTIFIER "org.vibrel.${stem}"
      MACOSX_BUNDLE_BUNDLE_VERSION "${PROJECT_VERSION}"
      MACOSX_BUNDLE_SHORT_VERSION_STRING "${PROJECT_VERSION}")
    set(pkginfo ${PROJECT_BINARY_DIR}/PkgInfo)
    file(WRITE ${pkginfo} "iLaXmax2") # package type and creator: a host plug-in; exactly 8 bytes
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy ${pkginfo} $<TARGET_BUNDLE_CONTENT_DIR:${target}>/PkgInfo VERBATIM)
  else()
    set_target_properties(${target} PROPERTIES SUFFIX ".so")
  endif()
endfunction()

# Pd externals, per target, in one place. Pd 0.54 and later first look for
#   <class>.<os>-<cpu>-<floatsize>.<so|dll>          (floatsize 32, or 64 for pd64)
# and Pd 0.51 to 0.53 (float only) for the classic extension of the platform:
#   Linux x86-64 .l_amd64   Linux arm64 .l_arm64   Linux armv7 .l_arm   macOS .d_fat   Windows .m_amd64
# vibrel_pd_external_names(<class> <floatsize> <out-name> <out-classic>): the file name the target
# builds, and the classic name it is copied to ("" when there is none: pd64 loads only the new names).
function(vibrel_pd_external_names class floatsize out_name out_classic)
  set(suffix ".so")
  if(WIN32)
    set(os windows)
    set(suffix ".dll")
  elseif(APPLE)
    set(os darwin)
  else()
    set(os linux)
  endif()
  set(processor "${CMAKE_SYSTEM_PROCESSOR}")
  if(APPLE)
    set(cpu fat) # the universal binary of both slices
  elseif(processor MATCHES "^(x86_64|AMD64|amd64)$")
    set(cpu amd64)
  elseif(processor MATCHES "^(aarch64|arm64)$")
    set(cpu arm64)
  elseif(processor MATCHES "^arm")
    set(cpu armv7)
  elseif(processor MATCHES "^(i.86|x86)$")
    set(cpu i386)
  else()
    message(FATAL_ERROR "no Pd file name known for processor ${processor}")
  endif()
  set(classic "")
  if(floatsize EQUAL 32)
    set(classic_linux_amd64 .l_amd64)
    set(classic_linux_arm64 .l_arm64)
    set(classic_linux_armv7 .l_arm)
    set(classic_linux_i386 .l_i386)
    set(classic_darwin_fat .d_fat)
    set(classic_windows_amd64 .m_amd64)
    set(classic_windows_i386 .m_i386)
    if(DEFINED classic_${os}_${cpu})
      set(classic "${class}${classic_${os}_${cpu}}")
    endif()
  endif()
  set(${out_name} "${class}.${os}-${cpu}-${floatsize}${suffix}" PARENT_SCOPE)
  set(${out_classic} "${classic}" PARENT_SCOPE)
endfunction()

# vibrel_pd_float_sizes(<out>): the Pd builds the target's externals are made for, 32 (float Pd) and 64
# (pd64), as the deken package names them; 32-bit ARM gets float Pd only (the Raspberry Pi's usual Pd).
function(vibrel_pd_float_sizes out)
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^arm" AND NOT CMAKE_SYSTEM_PROCESSOR MATCHES "^arm64")
    set(${out} 32 PARENT_SCOPE)
  else()
    set(${out} 32 64 PARENT_SCOPE)
  endif()
endfunction()

# The symbol Pd calls in an external for <class>, as its loader (s_loader.c, 0.47 to 0.55) spells it:
# letters, digits and '_' as they are, a final '~' as "_tilde", "<name>_setup"; any other character
# as "0x<hex>", and then "setup_<name>" ("vibrel~": vibrel_tilde_setup; "vibrel-lite~":
# setup_vibrel0x2dlite_tilde).
function(vibrel_pd_setup_symbol class out)
  string(LENGTH "${class}" length)
  math(EXPR last "${length} - 1")
  set(name "")
  set(munged FALSE)
  foreach(i RANGE ${last})
    string(SUBSTRING "${class}" ${i} 1 c)
    if(c MATCHES "^[A-Za-z0-9_]$")
      string(APPEND name "${c}")
    elseif(c STREQUAL "~" AND i EQUAL last)
      string(APPEND name "_tilde")
    else()
      string(HEX "${c}" hex)
      string(APPEND name "0x${hex}")
      set(munged TRUE)
    endif()
  endforeach()
  if(munged)
    set(${out} "setup_${name}" PARENT_SCOPE)
  else()
    set(${out} "${name}_setup" PARENT_SCOPE)
  endif()
endfunction()
