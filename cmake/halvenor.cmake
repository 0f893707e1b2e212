# Conventions shared by every subsystem folder: one static library per folder,
# built from the folder's own sources, and one test program per file in the
# folder's tests/ directory, each registered once with ctest.

set(HALVENOR_DEFINITIONS UNICODE _UNICODE NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
set(HALVENOR_WARNINGS -Wall -Wextra)

function(halvenor_target_defaults target)
  target_compile_definitions(${target} PUBLIC ${HALVENOR_DEFINITIONS})
  target_compile_options(${target} PRIVATE ${HALVENOR_WARNINGS})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
endfunction()

# halvenor_library(<name> [LIBS <libraries>...])
# Sources are the folder's *.cpp and *.c files; tests/ is not part of it.
function(halvenor_library name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  add_library(${name} STATIC ${sources})
  halvenor_target_defaults(${name})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
endfunction()

# halvenor_tests(<prefix> LIBS <libraries>... [TIMEOUT <seconds>])
# Every tests/*_test.cpp becomes the program <prefix>_<file> and one ctest entry.
function(halvenor_tests prefix)
  cmake_parse_arguments(ARG "" "TIMEOUT" "LIBS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  file(GLOB test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*_test.cpp)
  foreach(source IN LISTS test_sources)
    get_filename_component(stem ${source} NAME_WE)
    set(target ${prefix}_${stem})
    add_executable(${target} ${source})
    # Every test program of the main side logs apart from the programs it starts.
    target_sources(${target} PRIVATE
                   $<$<TARGET_EXISTS:foundation>:${CMAKE_SOURCE_DIR}/tests/support/test_program_log/test_program_log.cpp>)
    halvenor_target_defaults(${target})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} test_support gtest_main)
    # The runner reads the verdict from the program's own results: see the script.
    add_test(NAME ${target} COMMAND ${CMAKE_SOURCE_DIR}/scripts/run_test_program $<TARGET_FILE:${target}> --gtest_brief=1)
    set_tests_properties(${target} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  endforeach()
endfunction()

# halvenor_uses_task_scheduler(<tests>...)
# The machine's Task Scheduler holds one task of each name for every process: tests
# that write or read back the program's tasks, and those that start the program
# (which writes its default tasks as it starts), take turns with it. Call it after
# the folder's own test properties, which would replace the lock.
function(halvenor_uses_task_scheduler)
  foreach(test IN LISTS ARGN)
    set_property(TEST ${test} APPEND PROPERTY RESOURCE_LOCK task_scheduler)
  endforeach()
endfunction()

# halvenor_uses_test_devices(<tests>...)
# Wine lists devices by walking the registry's Enum keys by position, so a device
# another process removes mid-walk shifts the rest and one of ours is skipped.
# Tests that make devices in the prefix (and so remove them) take turns. Call it
# after the folder's own test properties, which would replace the lock.
function(halvenor_uses_test_devices)
  foreach(test IN LISTS ARGN)
    set_property(TEST ${test} APPEND PROPERTY RESOURCE_LOCK test_devices)
  endforeach()
endfunction()

# windres reports neither the scripts a resource script includes nor the images,
# pages and headers it names, so ninja cannot see them change and an incremental
# build keeps a stale .res. Every resource script therefore depends on all of
# them; a resource rebuild is cheap next to a wrong picture in a test.
function(halvenor_resource_dependencies)
  set(patterns)
  foreach(folder IN ITEMS resources platform foundation scan engine shell screens program installhelper64 tools tests/support tests/fake_dlls)
    foreach(kind IN ITEMS rc bmp ico avi png gif htm js css manifest)
      list(APPEND patterns ${CMAKE_SOURCE_DIR}/${folder}/*.${kind})
    endforeach()
    list(APPEND patterns ${CMAKE_SOURCE_DIR}/${folder}/*_ids.h)
  endforeach()
  file(GLOB_RECURSE resource_inputs CONFIGURE_DEPENDS LIST_DIRECTORIES false ${patterns})
  halvenor_add_resource_dependencies(${CMAKE_SOURCE_DIR} "${resource_inputs}")
endfunction()

function(halvenor_add_resource_dependencies directory inputs)
  get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(source_dir DIRECTORY ${directory} PROPERTY SOURCE_DIR)
  foreach(target IN LISTS targets)
    get_target_property(sources ${target} SOURCES)
    foreach(source IN LISTS sources)
      if(source MATCHES "\\.rc$")
        if(NOT IS_ABSOLUTE ${source})
          set(source ${source_dir}/${source})
        endif()
        set_property(SOURCE ${source} DIRECTORY ${directory} APPEND PROPERTY OBJECT_DEPENDS ${inputs})
      endif()
    endforeach()
  endforeach()
  get_property(subdirectories DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
  foreach(subdirectory IN LISTS subdirectories)
    halvenor_add_resource_dependencies(${subdirectory} "${inputs}")
  endforeach()
endfunction()
