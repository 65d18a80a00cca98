# vibrel_deken_package(<target> <folder> <output folder> <OS-CPU-FLOATSIZE>...): target <target> makes the
# deken package of <folder> (a Pd library folder named after the library) with the project's version in
# <output folder>: the .dek, its .sha256 and its objects file (cmake/archives/deken_package.py, which
# refuses a folder whose externals are not exactly those architectures; a universal macOS file counts as
# its slices, Darwin-amd64 and Darwin-arm64, the CPUs Pd tells deken). The target that gathers the folder
# goes in its dependencies (add_dependencies).
function(vibrel_deken_package target folder out)
  find_package(Python3 COMPONENTS Interpreter REQUIRED)
  get_filename_component(name "${folder}" NAME)
  set(archs)
  foreach(arch IN LISTS ARGN)
    list(APPEND archs --arch ${arch})
  endforeach()
  add_custom_target(${target}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out}
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/cmake/archives/deken_package.py --name ${name}
      --version ${PROJECT_VERSION} --folder ${folder} --out ${out} ${archs}
    COMMENT "deken package of ${folder} in ${out}"
    VERBATIM)
endfunction()
