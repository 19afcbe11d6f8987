# What a cross build for Windows takes from the build machine.
#
# - mkimage runs at build time, so it is built for the build machine by a small
#   nested build of tools/ with the host compiler.
# - CLI11 and nlohmann-json are header-only: their headers are used as Debian
#   installs them, from a folder that holds only them (adding /usr/include
#   itself would put glibc's headers in front of mingw's).
# - GoogleTest is built from Debian's source package with the cross compiler.

include(ExternalProject)
ExternalProject_Add(zt_host_tools
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/host-tools
  CMAKE_ARGS -G Ninja -DZT_TOOLS_ONLY=ON -DCMAKE_BUILD_TYPE=Release
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target mkimage
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${CMAKE_BINARY_DIR}/host-tools/tools/mkimage)
add_executable(mkimage IMPORTED GLOBAL)
set_target_properties(mkimage PROPERTIES IMPORTED_LOCATION ${CMAKE_BINARY_DIR}/host-tools/tools/mkimage)
add_dependencies(mkimage zt_host_tools)

set(zt_host_headers ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${zt_host_headers})
foreach(dir nlohmann CLI)
  if(EXISTS /usr/include/${dir} AND NOT EXISTS ${zt_host_headers}/${dir})
    file(CREATE_LINK /usr/include/${dir} ${zt_host_headers}/${dir} SYMBOLIC)
  endif()
endforeach()
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${zt_host_headers})
add_library(CLI11::CLI11 INTERFACE IMPORTED GLOBAL)
set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${zt_host_headers})

set(ZT_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources to build with the cross compiler")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${ZT_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
foreach(lib gtest gtest_main gmock gmock_main)
  if(NOT TARGET GTest::${lib})
    add_library(GTest::${lib} ALIAS ${lib})
  endif()
endforeach()

# The find_package calls elsewhere then find these targets through empty
# package files: the targets above are all there is to find.
set(zt_cross_packages ${CMAKE_BINARY_DIR}/cross-packages)
foreach(package nlohmann_json CLI11 GTest)
  file(WRITE ${zt_cross_packages}/${package}/${package}Config.cmake "# defined by CrossDependencies.cmake\n")
  set(${package}_DIR ${zt_cross_packages}/${package} CACHE PATH "" FORCE)
endforeach()
