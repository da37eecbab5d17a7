# Warnings on for our own targets; system headers (Qt, curl, gtest) stay quiet.
function(zu_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic
    $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local> -Wnon-virtual-dtor -Wformat=2 -Wno-unused-parameter)
endfunction()

# zu_add_resources(<target> <prefix-name> TYPE <type> FILES <name>=<file>...)
# Compiles files into <target> as program resources ":/zu/<TYPE>/<NAME>".
function(zu_add_resources target resname)
  cmake_parse_arguments(ARG "" "TYPE" "FILES" ${ARGN})
  string(TOUPPER "${ARG_TYPE}" type)
  set(files)
  foreach(pair IN LISTS ARG_FILES)
    string(FIND "${pair}" "=" eq)
    string(SUBSTRING "${pair}" 0 ${eq} name)
    math(EXPR start "${eq} + 1")
    string(SUBSTRING "${pair}" ${start} -1 file)
    string(TOUPPER "${name}" name)
    get_filename_component(abs "${file}" ABSOLUTE)
    set_source_files_properties("${abs}" PROPERTIES QT_RESOURCE_ALIAS "${name}")
    list(APPEND files "${abs}")
  endforeach()
  qt_add_resources(${target} "${resname}" PREFIX "/zu/${type}" FILES ${files})
endfunction()

# zu_program_version(<target> <version>)
# Compiles <version> ("1.0.0.2") into the program as its file version (os::ProgramFileVersion).
function(zu_program_version target version)
  set(src ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.cpp)
  file(CONFIGURE OUTPUT ${src} CONTENT
    "extern \"C\" { extern const char* zu_program_file_version; const char* zu_program_file_version = \"${version}\"; }\n")
  target_sources(${target} PRIVATE ${src})
endfunction()
