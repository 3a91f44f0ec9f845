# Third-party libraries built for the cross target by scripts/build-deps.sh; with MSVC, static
# libraries of the same projects built for it (include/ and lib/ under the prefix, see README.md).
set(TESSEL_DEPS_PREFIX "" CACHE PATH "Folder printed by scripts/build-deps.sh")
if(MSVC)
  if(NOT EXISTS "${TESSEL_DEPS_PREFIX}/include" OR NOT EXISTS "${TESSEL_DEPS_PREFIX}/lib")
    message(FATAL_ERROR "TESSEL_DEPS_PREFIX must name a folder with include/ and lib/ (README.md)")
  endif()
elseif(NOT EXISTS "${TESSEL_DEPS_PREFIX}/.complete")
  message(FATAL_ERROR "TESSEL_DEPS_PREFIX must name a complete dependency build (scripts/build-deps.sh)")
endif()

# `file` is the MinGW archive ("libcurl.a"); MSVC's library is named without "lib" and ".a"
# ("curl.lib"), as those projects name their static MSVC builds.
function(tessel_import_library name file)
  if(MSVC)
    string(REGEX REPLACE "^lib(.*)\\.a$" "\\1.lib" file "${file}")
  endif()
  add_library(${name} STATIC IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES
    IMPORTED_LOCATION "${TESSEL_DEPS_PREFIX}/lib/${file}"
    INTERFACE_INCLUDE_DIRECTORIES "${TESSEL_DEPS_PREFIX}/include")
endfunction()

tessel_import_library(deps::cjson libcjson.a)
tessel_import_library(deps::tinyxml libtinyxml.a)
set_property(TARGET deps::tinyxml PROPERTY INTERFACE_COMPILE_DEFINITIONS TIXML_USE_STL)
tessel_import_library(deps::curl libcurl.a)
set_property(TARGET deps::curl PROPERTY INTERFACE_COMPILE_DEFINITIONS CURL_STATICLIB)
set_property(TARGET deps::curl PROPERTY INTERFACE_LINK_LIBRARIES ws2_32 crypt32 secur32 bcrypt advapi32)
tessel_import_library(deps::gtest libgtest.a)
tessel_import_library(deps::gtest_main libgtest_main.a)
set_property(TARGET deps::gtest_main PROPERTY INTERFACE_LINK_LIBRARIES deps::gtest)
