# nlohmann-json and GoogleTest, both from the distribution's packages.
#
# A native build uses the installed CMake packages. A cross build must not see
# the build machine's /usr/include, so it gets a private include directory
# holding nothing but the JSON headers, and builds GoogleTest from source.

set(WV_NLOHMANN_HEADERS "/usr/include/nlohmann" CACHE PATH
    "Directory holding nlohmann/json.hpp and its companions (cross builds)")
set(WV_GOOGLETEST_SOURCE "/usr/src/googletest" CACHE PATH
    "GoogleTest source tree (cross builds)")

# The oldest nlohmann-json the reader builds with.
set(wv_json_min_version 3.11)

if(CMAKE_CROSSCOMPILING)
  set(private_include ${CMAKE_BINARY_DIR}/third_party/include)
  if(NOT EXISTS ${WV_NLOHMANN_HEADERS}/json.hpp)
    message(FATAL_ERROR "nlohmann-json headers not found in ${WV_NLOHMANN_HEADERS}")
  endif()
  # No CMake package to ask here, so the version is read from the headers
  # (3.11 moved its macros from json.hpp to detail/abi_macros.hpp).
  set(version_lines)
  foreach(header IN ITEMS json.hpp detail/abi_macros.hpp)
    if(EXISTS ${WV_NLOHMANN_HEADERS}/${header})
      file(STRINGS ${WV_NLOHMANN_HEADERS}/${header} lines REGEX "^#define NLOHMANN_JSON_VERSION_(MAJOR|MINOR|PATCH) ")
      list(APPEND version_lines ${lines})
    endif()
  endforeach()
  string(REGEX REPLACE ".*MAJOR ([0-9]+).*MINOR ([0-9]+).*PATCH ([0-9]+).*" "\\1.\\2.\\3" json_version "${version_lines}")
  if(NOT json_version MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+$" OR json_version VERSION_LESS wv_json_min_version)
    message(FATAL_ERROR "nlohmann-json in ${WV_NLOHMANN_HEADERS} is ${json_version}; ${wv_json_min_version} or newer is needed")
  endif()
  file(COPY ${WV_NLOHMANN_HEADERS} DESTINATION ${private_include})
  add_library(wv_json INTERFACE)
  target_include_directories(wv_json SYSTEM INTERFACE ${private_include})
else()
  find_package(nlohmann_json ${wv_json_min_version} REQUIRED CONFIG)
  add_library(wv_json INTERFACE)
  target_link_libraries(wv_json INTERFACE nlohmann_json::nlohmann_json)
endif()
target_compile_definitions(wv_json INTERFACE JSON_USE_IMPLICIT_CONVERSIONS=0)

if(WV_BUILD_TESTS)
  if(CMAKE_CROSSCOMPILING)
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(${WV_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/third_party/googletest EXCLUDE_FROM_ALL SYSTEM)
  else()
    find_package(GTest REQUIRED)
  endif()
endif()
