# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a fresh temporary prefix and checks that the program, its desktop entry, metainfo,
# icons, manual page and completion land where desktops, man and bash look for them.
# Run as: cmake -DBUILD_DIR=... -DPREFIX=... -DAPP_ID=... -P install_check.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}" RESULT_VARIABLE result
                OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "install failed: ${result}")
endif()
foreach(path bin/nqueens share/applications/${APP_ID}.desktop share/metainfo/${APP_ID}.metainfo.xml
             share/icons/hicolor/scalable/apps/nqueens.svg share/icons/hicolor/64x64/apps/nqueens.png
             share/man/man1/nqueens.1.gz share/bash-completion/completions/nqueens)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
file(STRINGS "${PREFIX}/share/applications/${APP_ID}.desktop" exec REGEX "^Exec=")
if(NOT exec STREQUAL "Exec=nqueens")
  message(FATAL_ERROR "desktop entry does not start the program: ${exec}")
endif()
# Menus list an entry once under each main category it names: it must name exactly one.
file(STRINGS "${PREFIX}/share/applications/${APP_ID}.desktop" categories REGEX "^Categories=")
string(REGEX REPLACE "^Categories=" "" categories "${categories}")
string(REGEX MATCHALL "[A-Za-z0-9-]+" categories "${categories}")
set(main_categories AudioVideo Audio Video Development Education Game Graphics Network Office Science Settings System
                    Utility)
set(mains 0)
foreach(category IN LISTS categories)
  if(category IN_LIST main_categories)
    math(EXPR mains "${mains} + 1")
  endif()
endforeach()
if(NOT mains EQUAL 1)
  message(FATAL_ERROR "desktop entry names ${mains} main categories: ${categories}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
