# What `cmake --install` puts in place:
#   <libdir>/libtorvo32.so and <includedir>/torvo.h
#   <libdir>/torvo32/       the renderer and the distributed front end; the library looks there
#                           when they are not right beside it (cache/Installation.h)
#   <bindir>/torvo-bake     when that tool is part of the build
#   <datadir>/torvo32/viewer  the viewer page, with the parts of three.js it loads when
#                           tools/viewer/setup.sh has fetched them
#   <libdir>/cmake/torvo32  the CMake package: find_package(torvo32) gives torvo32::torvo32
#   <libdir>/pkgconfig/torvo32.pc
# Both package descriptions are relocatable: they find the tree from where they lie.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TORVO_INSTALL_BINARIES_DIR ${CMAKE_INSTALL_LIBDIR}/torvo32)
set(TORVO_INSTALL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/torvo32)
set(TORVO_INSTALL_VIEWER_DIR ${CMAKE_INSTALL_DATADIR}/torvo32/viewer)

install(TARGETS torvo32 EXPORT torvo32Targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${CMAKE_SOURCE_DIR}/include/torvo.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

foreach(program IN ITEMS renderer_thetorvo renderer_thetorvo_64 farm_torvofarm farm_task)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${TORVO_INSTALL_BINARIES_DIR})
  endif()
endforeach()

if(TARGET torvo-bake)
  # The tool finds the library in the installed tree, wherever the tree is.
  file(RELATIVE_PATH bake_to_library ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
  set_target_properties(torvo-bake PROPERTIES INSTALL_RPATH "$ORIGIN/${bake_to_library}")
  install(TARGETS torvo-bake RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

set(viewer ${CMAKE_SOURCE_DIR}/tools/viewer)
install(FILES ${viewer}/index.html ${viewer}/viewer.js ${viewer}/serve.mjs DESTINATION ${TORVO_INSTALL_VIEWER_DIR})
# The modules the page imports, in the layout its import map names.
set(three node_modules/three)
install(FILES ${viewer}/${three}/LICENSE ${viewer}/${three}/package.json
  DESTINATION ${TORVO_INSTALL_VIEWER_DIR}/${three} OPTIONAL)
install(FILES ${viewer}/${three}/build/three.module.js ${viewer}/${three}/build/three.core.js
  DESTINATION ${TORVO_INSTALL_VIEWER_DIR}/${three}/build OPTIONAL)
install(FILES ${viewer}/${three}/examples/jsm/controls/OrbitControls.js
  DESTINATION ${TORVO_INSTALL_VIEWER_DIR}/${three}/examples/jsm/controls OPTIONAL)
install(FILES ${viewer}/${three}/examples/jsm/loaders/GLTFLoader.js
  DESTINATION ${TORVO_INSTALL_VIEWER_DIR}/${three}/examples/jsm/loaders OPTIONAL)
install(FILES ${viewer}/${three}/examples/jsm/utils/BufferGeometryUtils.js
  ${viewer}/${three}/examples/jsm/utils/SkeletonUtils.js
  DESTINATION ${TORVO_INSTALL_VIEWER_DIR}/${three}/examples/jsm/utils OPTIONAL)

install(EXPORT torvo32Targets NAMESPACE torvo32:: DESTINATION ${TORVO_INSTALL_CMAKE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/torvo32Config.cmake.in
  ${CMAKE_BINARY_DIR}/package/torvo32Config.cmake INSTALL_DESTINATION ${TORVO_INSTALL_CMAKE_DIR})
# Before 1.0 a minor version may change the interface.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/torvo32ConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/package/torvo32Config.cmake ${CMAKE_BINARY_DIR}/package/torvo32ConfigVersion.cmake
  DESTINATION ${TORVO_INSTALL_CMAKE_DIR})

file(RELATIVE_PATH TORVO_PC_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" TORVO_PC_PREFIX "${TORVO_PC_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/torvo32.pc.in ${CMAKE_BINARY_DIR}/package/torvo32.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/package/torvo32.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# Installs the build into a scratch prefix and builds outside hosts against it both ways.
if(TORVO_BUILD_TESTS AND NOT TORVO_SANITIZE AND NOT TORVO_SANITIZE_THREAD)
  add_test(NAME InstalledPackageHosts
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/run.sh ${CMAKE_BINARY_DIR} ${CMAKE_COMMAND})
  set_tests_properties(InstalledPackageHosts PROPERTIES LABELS install TIMEOUT 600)
endif()
