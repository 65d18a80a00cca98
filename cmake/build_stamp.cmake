# The time a build says it was made ("this version compiled: <__DATE__> at <__TIME__>"). With
# SOURCE_DATE_EPOCH set at configure time (.ci/cross.sh sets it to the last commit's time) that time is
# the variable's, not the clock's, so that two builds of one commit give the same bytes and so the same
# package archives. GCC would read the variable itself; clang 14 (the macOS slices) does not, hence the
# definitions for every compiler. Without the variable the compilers' own clock stands.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  string(TIMESTAMP month "%b" UTC) # string(TIMESTAMP) takes SOURCE_DATE_EPOCH over the clock
  string(TIMESTAMP day "%d" UTC)
  string(TIMESTAMP year "%Y" UTC)
  string(TIMESTAMP time "%H:%M:%S" UTC)
  string(REGEX REPLACE "^0" " " day "${day}") # __DATE__ pads the day with a space: "Dec  9 2026"
  add_compile_definitions("__DATE__=\"${month} ${day} ${year}\"" "__TIME__=\"${time}\"")
  add_compile_options(-Wno-builtin-macro-redefined)
endif()

# Nor does a build say where it was made: the source folder is "." in the debug information, in
# __FILE__ and in the assembler's file names, so two checkouts of one commit at different paths give the
# same bytes. The preset builds live inside the source folder; a build folder elsewhere is "build".
# (Both GCC and clang read -ffile-prefix-map; the folders are apart, so the order of the two never matters.)
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.)
cmake_path(IS_PREFIX PROJECT_SOURCE_DIR "${PROJECT_BINARY_DIR}" binary_inside_source)
if(NOT binary_inside_source)
  add_compile_options(-ffile-prefix-map=${PROJECT_BINARY_DIR}=build)
endif()
