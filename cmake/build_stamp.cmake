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
