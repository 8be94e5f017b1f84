# kelvora_add_plugin(<name> SOURCES <files...> [LIBS <targets...>] [ICONS <icon>:<W>x<H>...])
# One recipe for every plugin. The classes compile once into <name>_core, an object
# library that tests and benchmarks link; the Qt plugin <name>.so in the runnable
# folder's plugins/ is linked from the same objects. Sources sit in src/, which is
# also the include folder; ICONS are rendered from icons/<icon>.svg and compiled in
# under ":/resources/" as the resource <name>_core_icons
# (Q_INIT_RESOURCE(<name>_core_icons)).
function(kelvora_add_plugin name)
  cmake_parse_arguments(P "" "" "SOURCES;LIBS;ICONS" ${ARGN})
  set(core ${name}_core)
  add_library(${core} OBJECT ${P_SOURCES})
  target_include_directories(${core} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/src)
  target_link_libraries(${core} PUBLIC ${P_LIBS})
  if(P_ICONS)
    kelvora_add_icons(${core} ${CMAKE_CURRENT_SOURCE_DIR}/icons ${P_ICONS})
  endif()

  # No sources of its own: everything comes from the core's objects.
  add_library(${name} MODULE)
  target_link_libraries(${name} PRIVATE ${core})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    LINKER_LANGUAGE CXX
    AUTOMOC OFF AUTOUIC OFF AUTORCC OFF
    LIBRARY_OUTPUT_DIRECTORY ${KELVORA_PLUGIN_DIR}
    BUILD_RPATH "$ORIGIN/..;$ORIGIN"
    # Installed, the shared libraries sit in lib/ beside plugins/ (packaging/).
    INSTALL_RPATH "$ORIGIN/../lib")
  # The package installs every plugin.
  set_property(GLOBAL APPEND PROPERTY KELVORA_PLUGINS ${name})
endfunction()
