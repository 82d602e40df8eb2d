# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package into a scratch folder, unpacks it there and checks its files, the library
# dependencies it declares, that its version is the program's, that lintian passes it without an error or a
# warning, and that AppStream finds the installed tree's metadata valid.
# Run as: cmake -DBUILD_DIR=... -DSCRATCH=... -DAPP_ID=... -P deb_check.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")
execute_process(COMMAND cpack --config "${BUILD_DIR}/CPackConfig.cmake" -B "${SCRATCH}" RESULT_VARIABLE result
                OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cpack failed: ${output}")
endif()
file(GLOB debs "${SCRATCH}/nqueens_*.deb")
list(LENGTH debs count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one nqueens_*.deb, found: ${debs}")
endif()
execute_process(COMMAND dpkg-deb -x "${debs}" "${SCRATCH}/root" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "dpkg-deb -x failed")
endif()
foreach(path usr/bin/nqueens usr/share/applications/${APP_ID}.desktop usr/share/metainfo/${APP_ID}.metainfo.xml
             usr/share/icons/hicolor/scalable/apps/nqueens.svg usr/share/icons/hicolor/64x64/apps/nqueens.png
             usr/share/man/man1/nqueens.1.gz usr/share/bash-completion/completions/nqueens
             usr/share/doc/nqueens/copyright usr/share/doc/nqueens/changelog.Debian.gz)
  if(NOT EXISTS "${SCRATCH}/root/${path}")
    message(FATAL_ERROR "not in the package: ${path}")
  endif()
endforeach()
execute_process(COMMAND dpkg-deb -f "${debs}" Package Version Depends OUTPUT_VARIABLE fields)
# The program links Qt's widgets (whose package brings the X11 platform plugin), oneTBB and the C++ runtime:
# each must be a declared dependency.
foreach(dependency "^Package: nqueens" "libqt6widgets6" "libtbb" "libstdc\\+\\+6")
  if(NOT fields MATCHES "${dependency}")
    message(FATAL_ERROR "package fields lack ${dependency}:\n${fields}")
  endif()
endforeach()
# The package's version, less its Debian revision, is the one the packaged program prints.
execute_process(COMMAND "${SCRATCH}/root/usr/bin/nqueens" --version OUTPUT_VARIABLE printed)
string(REGEX MATCH "Version: ([^\n]*)-[^-\n]+" version "${fields}")
if(NOT printed STREQUAL "nqueens ${CMAKE_MATCH_1}\n")
  message(FATAL_ERROR "the package is version ${CMAKE_MATCH_1}, its program prints: ${printed}")
endif()

execute_process(COMMAND lintian --allow-root --fail-on error,warning "${debs}" RESULT_VARIABLE result
                OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR output MATCHES "(^|\n)[EW]: ")
  message(FATAL_ERROR "lintian (status ${result}):\n${output}")
endif()
execute_process(COMMAND appstreamcli validate-tree --no-net --pedantic --strict "${SCRATCH}/root"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "appstreamcli validate-tree (status ${result}):\n${output}")
endif()
file(REMOVE_RECURSE "${SCRATCH}")
