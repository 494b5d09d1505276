# Fails unless the plugin library's dynamic symbol table defines exactly one function:
# load_arx_player_behavior. Run with -DLIBRARY=<path>.
find_program(NM nm REQUIRED)
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY} OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[0-9a-fA-F]+ [TtWi] [^\n]+" functions "${symbols}")
if(NOT functions MATCHES "^[0-9a-fA-F]+ T load_arx_player_behavior$")
  message(FATAL_ERROR "expected exactly one exported function, load_arx_player_behavior; got: ${functions}")
endif()
