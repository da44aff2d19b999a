# Dependencies come from Debian packages and are compiled here by the cross
# compiler; plain /usr/include never enters a cross compile (it is Linux's).

# easylogging++ (libeasyloggingpp-dev): copy the two files into the build tree.
set(LUMEN_ELPP_DIR ${CMAKE_BINARY_DIR}/third_party/easylogging)
file(COPY /usr/include/easylogging++.h /usr/include/easylogging++.cc DESTINATION ${LUMEN_ELPP_DIR})
add_library(easylogging STATIC ${LUMEN_ELPP_DIR}/easylogging++.cc)
target_include_directories(easylogging SYSTEM PUBLIC ${LUMEN_ELPP_DIR})
# No log file in the host's current folder at load; the library's crash
# handlers stay on. Thread-safe because the host may call from several threads.
target_compile_definitions(easylogging PUBLIC ELPP_NO_DEFAULT_LOG_FILE ELPP_THREAD_SAFE)
target_compile_options(easylogging PRIVATE -w)

# rapidxml (librapidxml-dev), header-only, for the host stand-in.
set(LUMEN_RAPIDXML_DIR ${CMAKE_BINARY_DIR}/third_party/rapidxml)
file(COPY /usr/include/rapidxml/ DESTINATION ${LUMEN_RAPIDXML_DIR}/rapidxml)
add_library(rapidxml INTERFACE)
target_include_directories(rapidxml SYSTEM INTERFACE ${LUMEN_RAPIDXML_DIR})

# GoogleTest from /usr/src/googletest, for the tests only.
if(LUMEN_BUILD_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/third_party/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()

# The folder of Debian's source package `package` unpacked in the build tree
# (its newest version holding `marker`), or the one the cache variable named
# by `override` gives; empty when there is none.
function(lumen_debian_source result override package marker)
  set(found "${${override}}")
  if(NOT found)
    file(GLOB candidates LIST_DIRECTORIES true ${CMAKE_BINARY_DIR}/third_party/${package}/${package}-*)
    list(SORT candidates COMPARE NATURAL ORDER DESCENDING)
    foreach(candidate IN LISTS candidates)
      if(EXISTS ${candidate}/${marker})
        set(found ${candidate})
        break()
      endif()
    endforeach()
  endif()
  set(${result} "${found}" PARENT_SCOPE)
endfunction()

# PCRE2 from Debian's pcre2 sources, for the find bar's regular expressions.
add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/pcre2 ${CMAKE_BINARY_DIR}/third_party/pcre2-build)

# uchardet from Debian's uchardet sources, for the loader's charset detection.
add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/uchardet ${CMAKE_BINARY_DIR}/third_party/uchardet-build)

# zlib, bzip2, liblzma and zstd from Debian's sources, for compressed logs.
add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/compression ${CMAKE_BINARY_DIR}/third_party/compression-build)

# Scintilla 5 and Lexilla from Debian's scite sources (skipped when absent).
add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/scintilla5 ${CMAKE_BINARY_DIR}/third_party/scintilla5)

# A Scintilla 3.x control for the tests, from the archive beside the checkout
# (skipped when absent).
if(LUMEN_BUILD_TESTS)
  add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/scintilla3 ${CMAKE_BINARY_DIR}/third_party/scintilla3-build)
endif()
