# Installs the build into a fresh temporary prefix and checks that the program, its desktop entry and its icons
# land where desktop environments look for them. Run as: cmake -DBUILD_DIR=... -DPREFIX=... -P install_check.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}" RESULT_VARIABLE result
                OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "install failed: ${result}")
endif()
foreach(path bin/nqueens share/applications/nqueens.desktop share/icons/hicolor/scalable/apps/nqueens.svg
             share/icons/hicolor/64x64/apps/nqueens.png)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
file(STRINGS "${PREFIX}/share/applications/nqueens.desktop" exec REGEX "^Exec=")
if(NOT exec STREQUAL "Exec=nqueens")
  message(FATAL_ERROR "desktop entry does not start the program: ${exec}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
