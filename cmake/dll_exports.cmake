# luma_dll_exports(<target> <def file>): the DLL's exports with their fixed ordinals from the .def
# file. The .def names the undecorated functions. On 32-bit Windows the COM-style entries
# (DllCanUnloadNow, DllRegisterServer, DllUnregisterServer) are stdcall without arguments: they are
# bound to their decorated names ("Name@0"), because an import library linked in (wintrust's, say)
# exports the same undecorated names and the linker would otherwise export a jump to that DLL's
# function instead of our own. The other stdcall entries are matched by stdcall fixup.
function(luma_dll_exports target def)
  get_filename_component(def_path "${def}" ABSOLUTE)
  if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_sources(${target} PRIVATE "${def_path}")
    return()
  endif()
  file(READ "${def_path}" text)
  string(REGEX REPLACE "([ \t])(DllCanUnloadNow|DllRegisterServer|DllUnregisterServer)([ \t]+@)"
                       "\\1\\2 = \\2@0\\3" text "${text}")
  get_filename_component(def_name "${def}" NAME)
  set(generated "${CMAKE_CURRENT_BINARY_DIR}/${def_name}")
  file(WRITE "${generated}" "${text}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${def_path}")
  target_sources(${target} PRIVATE "${generated}")
  target_link_options(${target} PRIVATE -Wl,--enable-stdcall-fixup)
endfunction()
