# nlohmann-json and GoogleTest, both from the distribution's packages.
#
# A native build uses the installed CMake packages. A cross build must not see
# the build machine's /usr/include, so it gets a private include directory
# holding nothing but the JSON headers, and builds GoogleTest from source.

set(WV_NLOHMANN_HEADERS "/usr/include/nlohmann" CACHE PATH
    "Directory holding nlohmann/json.hpp and its companions (cross builds)")
set(WV_GOOGLETEST_SOURCE "/usr/src/googletest" CACHE PATH
    "GoogleTest source tree (cross builds)")

if(CMAKE_CROSSCOMPILING)
  set(private_include ${CMAKE_BINARY_DIR}/third_party/include)
  if(NOT EXISTS ${WV_NLOHMANN_HEADERS}/json.hpp)
    message(FATAL_ERROR "nlohmann-json headers not found in ${WV_NLOHMANN_HEADERS}")
  endif()
  file(COPY ${WV_NLOHMANN_HEADERS} DESTINATION ${private_include})
  add_library(wv_json INTERFACE)
  target_include_directories(wv_json SYSTEM INTERFACE ${private_include})
else()
  find_package(nlohmann_json 3.10 REQUIRED CONFIG)
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
