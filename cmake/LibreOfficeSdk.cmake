# The LibreOffice UNO SDK: generated com/sun/star headers plus the URE libraries, as one INTERFACE target
# `quorvia_uno`. Debian ships only the low-level cppu/sal headers; the API headers are generated from the
# office's type registries once per build tree.

set(QUORVIA_LO_PROGRAM_DIR "/usr/lib/libreoffice/program" CACHE PATH "LibreOffice program folder")
set(QUORVIA_LO_SDK_DIR "/usr/lib/libreoffice/sdk" CACHE PATH "LibreOffice SDK folder")

if(NOT EXISTS "${QUORVIA_LO_SDK_DIR}/bin/cppumaker.bin" OR NOT EXISTS "${QUORVIA_LO_SDK_DIR}/include")
  message(FATAL_ERROR
    "The LibreOffice SDK was not found in ${QUORVIA_LO_SDK_DIR}. "
    "Install it with scripts/setup.sh (Debian packages libreoffice-dev and libreoffice-calc).")
endif()
foreach(registry types.rdb types/offapi.rdb)
  if(NOT EXISTS "${QUORVIA_LO_PROGRAM_DIR}/${registry}")
    message(FATAL_ERROR "LibreOffice type registry ${QUORVIA_LO_PROGRAM_DIR}/${registry} is missing "
                        "(install libreoffice-calc).")
  endif()
endforeach()

# cppumaker refuses relative output folders, so the folder is absolute inside the build tree.
set(QUORVIA_UNO_HEADER_DIR "${CMAKE_BINARY_DIR}/uno_headers")
set(_quorvia_uno_stamp "${QUORVIA_UNO_HEADER_DIR}/.generated")
if(NOT EXISTS "${_quorvia_uno_stamp}")
  message(STATUS "Generating UNO headers in ${QUORVIA_UNO_HEADER_DIR}")
  file(MAKE_DIRECTORY "${QUORVIA_UNO_HEADER_DIR}")
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env "LD_LIBRARY_PATH=${QUORVIA_LO_PROGRAM_DIR}"
            "${QUORVIA_LO_SDK_DIR}/bin/cppumaker.bin" -Gc "-O${QUORVIA_UNO_HEADER_DIR}"
            "${QUORVIA_LO_PROGRAM_DIR}/types.rdb" "${QUORVIA_LO_PROGRAM_DIR}/types/offapi.rdb"
    RESULT_VARIABLE _quorvia_uno_result
    ERROR_VARIABLE _quorvia_uno_error)
  if(NOT _quorvia_uno_result EQUAL 0)
    message(FATAL_ERROR "cppumaker failed (${_quorvia_uno_result}): ${_quorvia_uno_error}")
  endif()
  file(TOUCH "${_quorvia_uno_stamp}")
endif()

add_library(quorvia_uno INTERFACE)
target_include_directories(quorvia_uno SYSTEM INTERFACE "${QUORVIA_UNO_HEADER_DIR}" "${QUORVIA_LO_SDK_DIR}/include")
target_compile_definitions(quorvia_uno INTERFACE LINUX UNX GCC CPPU_ENV=gcc3
                           "QUORVIA_LO_PROGRAM_DIR=\"${QUORVIA_LO_PROGRAM_DIR}\"")
target_link_directories(quorvia_uno INTERFACE "${QUORVIA_LO_SDK_DIR}/lib")
# cppuhelper needs private libraries that live only in the program folder.
target_link_libraries(quorvia_uno INTERFACE uno_cppuhelpergcc3 uno_cppu uno_salhelpergcc3 uno_sal
                      "-Wl,-rpath-link,${QUORVIA_LO_PROGRAM_DIR}" "-Wl,-rpath,${QUORVIA_LO_PROGRAM_DIR}")
