# Installing like a desktop program: menu entries, icons, the sample base, and the Debian
# package. Only what the two programs need is installed; the tools that make it are not.
find_package(Qt6 REQUIRED COMPONENTS Svg)

set(TAMBRIS_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(TAMBRIS_SAMPLE_PASSWORD "obrazec2025")
set(TAMBRIS_SAMPLE_SOURCE ${TAMBRIS_PACKAGING_DIR}/sample/questions.jsonl)
set(TAMBRIS_SAMPLE_DIR ${PROJECT_BINARY_DIR}/packaging/sample)

qt_add_executable(svgtopng ${TAMBRIS_PACKAGING_DIR}/svgtopng.cpp)
target_link_libraries(svgtopng PRIVATE Qt6::Gui Qt6::Svg)

set(icon_dir ${PROJECT_BINARY_DIR}/packaging/icons)
set(icon_outputs)
foreach(app tambris vorta-v-leina)
  set(svg ${TAMBRIS_PACKAGING_DIR}/icons/${app}.svg)
  foreach(size 16 24 32 48 64 128 256)
    set(dir ${icon_dir}/${size}x${size})
    add_custom_command(OUTPUT ${dir}/${app}.png
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND svgtopng ${svg} ${size} ${dir}/${app}.png
      DEPENDS svgtopng ${svg}
      VERBATIM)
    list(APPEND icon_outputs ${dir}/${app}.png)
    install(FILES ${dir}/${app}.png DESTINATION share/icons/hicolor/${size}x${size}/apps)
  endforeach()
  install(FILES ${svg} DESTINATION share/icons/hicolor/scalable/apps)
  install(FILES ${TAMBRIS_PACKAGING_DIR}/${app}.desktop DESTINATION share/applications)
endforeach()

# The same pictures as the programs' window icons, so the menu and the window show one icon.
tambris_library(program_icons
  SOURCES ${TAMBRIS_PACKAGING_DIR}/programicon.cpp ${TAMBRIS_PACKAGING_DIR}/programicon.h
  LINK Qt6::Gui)
qt_add_resources(program_icons program_icons PREFIX /icons BASE ${icon_dir} FILES ${icon_outputs})

# The sample is rebuilt from scratch: the importer refuses to write over an existing base.
# Its pictures have Cyrillic names, so the commands that write and remove them run in a UTF-8
# locale whatever the caller's.
set(utf8 ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8)
add_custom_command(
  OUTPUT ${TAMBRIS_SAMPLE_DIR}/sample.mdb ${TAMBRIS_SAMPLE_DIR}/sample-password.mdb
  COMMAND ${utf8} ${CMAKE_COMMAND} -E rm -rf ${TAMBRIS_SAMPLE_DIR}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TAMBRIS_SAMPLE_DIR}
  COMMAND ${utf8} $<TARGET_FILE:qbtool> import --source ${TAMBRIS_SAMPLE_SOURCE}
          ${TAMBRIS_SAMPLE_DIR}/sample.mdb
  COMMAND ${utf8} $<TARGET_FILE:qbtool> import --source ${TAMBRIS_SAMPLE_SOURCE}
          --password ${TAMBRIS_SAMPLE_PASSWORD} ${TAMBRIS_SAMPLE_DIR}/sample-password.mdb
  DEPENDS qbtool ${TAMBRIS_SAMPLE_SOURCE}
  VERBATIM)

add_custom_target(packaging_assets ALL DEPENDS ${icon_outputs}
  ${TAMBRIS_SAMPLE_DIR}/sample.mdb ${TAMBRIS_SAMPLE_DIR}/sample-password.mdb)
install(DIRECTORY ${TAMBRIS_SAMPLE_DIR}/ DESTINATION share/tambris/sample)

set(CPACK_PACKAGE_NAME tambris)
set(CPACK_PACKAGE_VENDOR "Tambris")
set(CPACK_PACKAGE_CONTACT "Tambris developers <tambris@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "multiple-choice test editor and exporter (Russian)")
set(CPACK_PACKAGE_DESCRIPTION
  "Tambris edits question bases for multiple-choice tests; Vorta в Leina exports them to a\
 Windows-1251 text file or a Word document. Both have a Russian interface. A sample base is\
 installed in /usr/share/tambris/sample.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
# The libraries the programs link come from dpkg-shlibdeps; these are loaded at run time
# instead: the desktop platform plugin, Qt's own Russian texts, the fonts with Cyrillic that
# the printed variants are set in, and the image plugins that read scanned sheets in TIFF.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, qt6-translations-l10n, fonts-liberation2, fonts-dejavu-core, \
qt6-image-formats-plugins")
# Hunspell's dictionaries are data files the editor looks for at run time; without them it
# works and only leaves spelling unchecked.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "hunspell-ru, hunspell-en-us")
set(CPACK_PROJECT_CONFIG_FILE ${TAMBRIS_PACKAGING_DIR}/CPackLocale.cmake)
include(CPack)
