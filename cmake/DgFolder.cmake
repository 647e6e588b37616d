# dg_folder_library(NAME DIRS...): a static library made of every .cpp in the
# given folders (relative to the project root); the folders are public include
# directories. A folder with no source yet gives an interface library.
function(dg_folder_library name)
  set(srcs "")
  set(incs "")
  foreach(d ${ARGN})
    file(GLOB _s CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${d}/*.cpp)
    list(APPEND srcs ${_s})
    list(APPEND incs ${PROJECT_SOURCE_DIR}/${d})
  endforeach()
  if(srcs)
    add_library(${name} STATIC ${srcs})
    target_include_directories(${name} PUBLIC ${incs})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${incs})
  endif()
endfunction()

# dg_link(NAME DEPS...): links a folder library to others, whatever its kind.
function(dg_link name)
  get_target_property(_type ${name} TYPE)
  if(_type STREQUAL "INTERFACE_LIBRARY")
    target_link_libraries(${name} INTERFACE ${ARGN})
  else()
    target_link_libraries(${name} PUBLIC ${ARGN})
  endif()
endfunction()
