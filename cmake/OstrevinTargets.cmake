# Shared compile settings and the helper that turns one folder into one library.

add_library(ostrevin_options INTERFACE)
target_compile_features(ostrevin_options INTERFACE cxx_std_20)
target_compile_options(ostrevin_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow=local -Wnon-virtual-dtor)
if(OSTREVIN_WERROR)
  target_compile_options(ostrevin_options INTERFACE -Werror)
endif()
target_compile_definitions(ostrevin_options INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  QT_NO_CONTEXTLESS_CONNECT
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_NO_URL_CAST_FROM_STRING
  QT_USE_QSTRINGBUILDER)
if(OSTREVIN_SANITIZE)
  target_compile_options(ostrevin_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(ostrevin_options INTERFACE -fsanitize=address,undefined)
endif()

# ostrevin_folder_library(<name> [DEPS <targets>...])
# Builds every .cpp/.h below the current folder (except main.cpp, and subfolders
# with a CMakeLists.txt of their own) into the static library ostrevin_<name>.
# New files need no CMake edit; re-run the configure step (the Makefile does) and
# they are picked up.
function(ostrevin_folder_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE _sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER _sources EXCLUDE REGEX "/main\\.cpp$")
  # A subfolder with a CMakeLists.txt of its own is a library of its own.
  file(GLOB_RECURSE _own_lists CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*/CMakeLists.txt)
  foreach(_list IN LISTS _own_lists)
    get_filename_component(_own_dir ${_list} DIRECTORY)
    list(FILTER _sources EXCLUDE REGEX "^${_own_dir}/")
  endforeach()
  set(_target ostrevin_${name})
  set(_has_cpp FALSE)
  foreach(_s IN LISTS _sources)
    if(_s MATCHES "\\.cpp$")
      set(_has_cpp TRUE)
    endif()
  endforeach()
  if(_has_cpp)
    add_library(${_target} STATIC ${_sources})
    # AUTOMOC does not notice a header that a re-glob added; depending on every
    # source makes it run again, so a new QObject header gets its moc file.
    set_property(TARGET ${_target} APPEND PROPERTY AUTOGEN_TARGET_DEPENDS ${_sources})
    target_include_directories(${_target} PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
    target_link_libraries(${_target} PUBLIC ostrevin_options ${ARG_DEPS})
  else()
    add_library(${_target} INTERFACE)
    target_include_directories(${_target} INTERFACE ${CMAKE_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
    target_link_libraries(${_target} INTERFACE ostrevin_options ${ARG_DEPS})
  endif()
endfunction()

# ostrevin_use_optional_library(<target> <NAME> <library> <header>)
# Links <library> where it and <header> are installed and defines OSTREVIN_HAVE_<NAME>
# to 1 or 0, so the target uses it where it is and compiles elsewhere.
function(ostrevin_use_optional_library target name library header)
  find_library(OSTREVIN_${name}_LIBRARY ${library})
  find_path(OSTREVIN_${name}_INCLUDE_DIR ${header})
  if(OSTREVIN_${name}_LIBRARY AND OSTREVIN_${name}_INCLUDE_DIR)
    target_link_libraries(${target} PUBLIC ${OSTREVIN_${name}_LIBRARY})
    target_include_directories(${target} SYSTEM PRIVATE ${OSTREVIN_${name}_INCLUDE_DIR})
    target_compile_definitions(${target} PRIVATE OSTREVIN_HAVE_${name}=1)
  else()
    target_compile_definitions(${target} PRIVATE OSTREVIN_HAVE_${name}=0)
  endif()
endfunction()

# ostrevin_use_fontconfig(<target>)
# fontconfig, the font configuration Qt reads on Linux: OSTREVIN_HAVE_FONTCONFIG.
function(ostrevin_use_fontconfig target)
  ostrevin_use_optional_library(${target} FONTCONFIG fontconfig fontconfig/fontconfig.h)
endfunction()

# ostrevin_use_xcb(<target>)
# The X11 client library, so the target asks the X server directly on X11:
# OSTREVIN_HAVE_XCB.
function(ostrevin_use_xcb target)
  ostrevin_use_optional_library(${target} XCB xcb xcb/xcb.h)
endfunction()
