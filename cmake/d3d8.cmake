# Import library for d3d8.dll: mingw-w64 has the Direct3D 8 headers but no libd3d8.a.
# Defines the target `d3d8`; link it to call Direct3DCreate8.
if(TARGET d3d8)
  return()
endif()

# The 32-bit export is __stdcall-decorated in the import library and plain in the DLL.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(QIRN_D3D8_EXPORT "Direct3DCreate8@4")
  set(QIRN_D3D8_KILL_AT --kill-at)
else()
  set(QIRN_D3D8_EXPORT "Direct3DCreate8")
  set(QIRN_D3D8_KILL_AT "")
endif()

set(QIRN_D3D8_DIR ${CMAKE_BINARY_DIR}/d3d8)
file(CONFIGURE OUTPUT ${QIRN_D3D8_DIR}/d3d8.def
     CONTENT "LIBRARY d3d8.dll\nEXPORTS ${QIRN_D3D8_EXPORT}\n")
add_custom_command(
  OUTPUT ${QIRN_D3D8_DIR}/libd3d8.a
  COMMAND ${QIRN_DLLTOOL} --input-def ${QIRN_D3D8_DIR}/d3d8.def --dllname d3d8.dll
          --output-lib ${QIRN_D3D8_DIR}/libd3d8.a ${QIRN_D3D8_KILL_AT}
  DEPENDS ${QIRN_D3D8_DIR}/d3d8.def
  COMMENT "Making the d3d8.dll import library")
add_custom_target(qirn_d3d8_importlib DEPENDS ${QIRN_D3D8_DIR}/libd3d8.a)

add_library(d3d8 INTERFACE)
target_link_libraries(d3d8 INTERFACE ${QIRN_D3D8_DIR}/libd3d8.a)
add_dependencies(d3d8 qirn_d3d8_importlib)
