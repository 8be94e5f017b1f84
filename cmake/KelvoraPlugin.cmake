# kelvora_add_plugin(<name> SOURCES <files...> [LIBS <targets...>])
# A Qt plugin named <name>.so in the runnable folder's plugins/.
function(kelvora_add_plugin name)
  cmake_parse_arguments(P "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} MODULE ${P_SOURCES})
  target_link_libraries(${name} PRIVATE ${P_LIBS})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${KELVORA_PLUGIN_DIR}
    BUILD_RPATH "$ORIGIN/..;$ORIGIN"
    INSTALL_RPATH "$ORIGIN/..")
endfunction()
