# The build against a real 32-bit binary distribution of the browser library (branch 2454, Windows),
# laid out as such a distribution comes: a bootstrap CMakeLists.txt and macros.cmake at its root,
# include/ (headers included as "include/..." from the root), libcef_dll/ (the C++ wrapper, the
# static target libcef_dll_wrapper), Release/ and Debug/ (libcef.lib and the runtime files) and
# Resources/. Included from cef/CMakeLists.txt when TESSEL_CEF_ROOT is set; defines tessel_cef and
# tessel_copy_cef_runtime().

set(cef_root "${TESSEL_CEF_ROOT}")
set(TESSEL_CEF_BINARIES d3dcompiler_43.dll d3dcompiler_47.dll libcef.dll libEGL.dll libGLESv2.dll
  natives_blob.bin snapshot_blob.bin wow_helper.exe)
set(TESSEL_CEF_RESOURCES cef.pak cef_100_percent.pak cef_200_percent.pak cef_extensions.pak
  devtools_resources.pak icudtl.dat)

# The layout first, so that a wrong folder is named as such whatever the compiler.
set(missing "")
foreach(entry CMakeLists.txt macros.cmake include/cef_version.h include/cef_app.h
    libcef_dll/CMakeLists.txt Resources/locales)
  if(NOT EXISTS "${cef_root}/${entry}")
    list(APPEND missing "${entry}")
  endif()
endforeach()
foreach(config Release Debug)
  foreach(file libcef.lib ${TESSEL_CEF_BINARIES})
    if(NOT EXISTS "${cef_root}/${config}/${file}")
      list(APPEND missing "${config}/${file}")
    endif()
  endforeach()
endforeach()
foreach(file ${TESSEL_CEF_RESOURCES})
  if(NOT EXISTS "${cef_root}/Resources/${file}")
    list(APPEND missing "Resources/${file}")
  endif()
endforeach()
if(missing)
  list(JOIN missing "\n  " missing_text)
  message(FATAL_ERROR "TESSEL_CEF_ROOT=${cef_root} is not a 32-bit Windows binary distribution "
    "of the browser library; it lacks:\n  ${missing_text}")
endif()
message(STATUS "Browser library: the binary distribution at ${cef_root} (layout checked)")

# The distribution's libcef.dll is built by MSVC, and its C interface passes __stdcall callbacks
# exactly when MSVC compiles the headers: another compiler would call the DLL with the wrong
# convention on 32-bit Windows.
if(NOT MSVC)
  message(FATAL_ERROR "Building against a real browser-library distribution needs MSVC (Visual "
    "Studio 2017 or later, 32-bit: -A Win32); ${CMAKE_CXX_COMPILER_ID} cannot call its libcef.dll. "
    "See cef/README.md.")
endif()

# What the distribution's bootstrap CMakeLists.txt sets up for its wrapper: the root on the include
# path and its Windows definitions (the static runtime is the whole project's, see the top level).
include_directories("${cef_root}")
add_compile_definitions(WIN32 _WIN32 _WINDOWS UNICODE _UNICODE WINVER=0x0602 _WIN32_WINNT=0x602
  NOMINMAX WIN32_LEAN_AND_MEAN _HAS_EXCEPTIONS=0)
include("${cef_root}/macros.cmake")
add_subdirectory("${cef_root}/libcef_dll" libcef_dll_wrapper)

add_library(tessel_cef INTERFACE)
target_include_directories(tessel_cef SYSTEM INTERFACE "${cef_root}")
target_link_libraries(tessel_cef INTERFACE libcef_dll_wrapper
  "${cef_root}/$<IF:$<CONFIG:Debug>,Debug,Release>/libcef.lib")

# Copies the library's runtime files beside `target` after each build of it.
function(tessel_copy_cef_runtime target)
  set(binaries "")
  foreach(file ${TESSEL_CEF_BINARIES})
    list(APPEND binaries "${cef_root}/$<IF:$<CONFIG:Debug>,Debug,Release>/${file}")
  endforeach()
  set(resources "")
  foreach(file ${TESSEL_CEF_RESOURCES})
    list(APPEND resources "${cef_root}/Resources/${file}")
  endforeach()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${binaries} ${resources}
            "$<TARGET_FILE_DIR:${target}>"
    COMMAND ${CMAKE_COMMAND} -E copy_directory "${cef_root}/Resources/locales"
            "$<TARGET_FILE_DIR:${target}>/locales"
    COMMENT "Copying the browser library's runtime beside ${target}")
endfunction()
