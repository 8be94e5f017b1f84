# kelvora_add_icons(<target> <svg-dir> <name>:<W>x<H> ...)
# Renders <svg-dir>/<name>.svg to <name>.png at W x H pixels during the build and
# compiles the PNGs into <target> under ":/resources/". The resource is named
# <target>_icons, so a static library registers it with Q_INIT_RESOURCE(<target>_icons).
function(kelvora_add_icons target svgdir)
  set(outdir ${CMAKE_CURRENT_BINARY_DIR}/${target}_icons)
  file(MAKE_DIRECTORY ${outdir})
  set(body "<RCC>\n  <qresource prefix=\"/resources\">\n")
  foreach(entry ${ARGN})
    string(REPLACE ":" ";" parts "${entry}")
    list(GET parts 0 name)
    list(GET parts 1 size)
    set(png ${outdir}/${name}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND svg2png ${svgdir}/${name}.svg ${png} ${size}
      DEPENDS svg2png ${svgdir}/${name}.svg
      COMMENT "Rendering icon ${name}.png (${size})"
      VERBATIM)
    string(APPEND body "    <file>${name}.png</file>\n")
  endforeach()
  string(APPEND body "  </qresource>\n</RCC>\n")
  set(qrc ${outdir}/${target}_icons.qrc)
  file(CONFIGURE OUTPUT ${qrc} CONTENT "${body}")
  qt5_add_resources(rcc_sources ${qrc})
  target_sources(${target} PRIVATE ${rcc_sources})
endfunction()
