# Fails when an object linked into the plugin DLL holds what only the C
# runtime's start-up would run: static initialisers or destructors, or
# thread-local storage, native or emulated (whose per-thread memory and
# destructors that start-up's callbacks release). The DLL is linked without
# that start-up; the test programs link the same objects with it, so they
# would pass where the shell's plugin did not. OBJECTS: the objects, parted
# by "|".
string(REPLACE "|" ";" objects "${OBJECTS}")
foreach(object ${objects})
  execute_process(COMMAND ${OBJDUMP} -h ${object} OUTPUT_VARIABLE sections RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "objdump -h failed on ${object}")
  endif()
  foreach(section ctors dtors init_array fini_array tls CRT)
    if(sections MATCHES "[0-9]+ \\.${section}[ .$\n]")
      get_filename_component(name ${object} NAME)
      message(FATAL_ERROR "${name} holds .${section}, which only the C runtime's start-up would run")
    endif()
  endforeach()
  execute_process(COMMAND ${NM} ${object} OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "nm failed on ${object}")
  endif()
  if(symbols MATCHES "__emutls_")
    get_filename_component(name ${object} NAME)
    message(FATAL_ERROR "${name} holds thread-local storage, which only the C runtime's start-up releases")
  endif()
endforeach()
