# Installing the program (cmake --install) and its Debian package (cpack -G DEB): the executable and the site tool,
# its desktop entry, the icon drawn from the splash design as SVG and PNG sizes, AppStream metainfo, the manual pages
# and the Debian documentation files. Dependencies come from the shared libraries it links (dpkg-shlibdeps).
include(GNUInstallDirs)

set(_desktop ${PROJECT_SOURCE_DIR}/app/packaging)
set(_staged ${PROJECT_BINARY_DIR}/desktop)
file(MAKE_DIRECTORY ${_staged})

configure_file(${_desktop}/${YEROUP_APP_ID}.metainfo.xml.in ${_staged}/${YEROUP_APP_ID}.metainfo.xml @ONLY)
configure_file(${_desktop}/yeroup.1.in ${_staged}/yeroup.1 @ONLY)
configure_file(${_desktop}/changelog.in ${_staged}/changelog @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/tools/publish/yeroup-publish.1.in ${_staged}/yeroup-publish.1 @ONLY)

# Debian wants the manual page and the changelog compressed, without a time stamp inside (-n).
find_program(YEROUP_GZIP gzip REQUIRED)
set(_compressed)
foreach(file yeroup.1 yeroup-publish.1 changelog)
  add_custom_command(OUTPUT ${_staged}/${file}.gz
    COMMAND ${YEROUP_GZIP} -9nf -k ${_staged}/${file}
    DEPENDS ${_staged}/${file}
    COMMENT "Compressing ${file}")
  list(APPEND _compressed ${_staged}/${file}.gz)
endforeach()

# The icon's PNG sizes are drawn from the SVG.
set(YEROUP_ICON_SIZES 16 24 32 48 64 128 256)
find_program(YEROUP_RSVG_CONVERT rsvg-convert)
set(_icons)
if(YEROUP_RSVG_CONVERT)
  foreach(size ${YEROUP_ICON_SIZES})
    set(png ${_staged}/icons/${size}x${size}/${YEROUP_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${_staged}/icons/${size}x${size}
      COMMAND ${YEROUP_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${_desktop}/${YEROUP_APP_ID}.svg
      DEPENDS ${_desktop}/${YEROUP_APP_ID}.svg
      COMMENT "Drawing the ${size}x${size} icon")
    list(APPEND _icons ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
else()
  message(WARNING "rsvg-convert (Debian package librsvg2-bin) is missing: the PNG icons are left out of the install")
endif()
add_custom_target(yeroup_desktop_files ALL DEPENDS ${_compressed} ${_icons})

# The vendor's site tool comes with the program: it checks a site as this very program reads it.
install(TARGETS yeroup yeroup-publish RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Found from the executable as ../share/yeroup/translations.
install(FILES ${YEROUP_QM_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/yeroup/translations)
install(FILES ${_desktop}/${YEROUP_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_staged}/${YEROUP_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${_desktop}/${YEROUP_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${_staged}/yeroup.1.gz ${_staged}/yeroup-publish.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${_desktop}/copyright ${_staged}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/yeroup)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME yeroup)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The YEROUP developers <yeroup@yeroup.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware live update for YERO MP3 players")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Wine runs the player software's setup program and updater; the CJK fonts show the Chinese texts.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "wine, fonts-wqy-microhei | fonts-noto-cjk, qt6-translations-l10n")
# The synopsis line is the summary above; this is the extended description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "YEROUP refreshes the firmware catalogue of YERO MP3 players from the update
host, lets you pick a player model and a firmware version, shows the
firmware's description page and downloads the firmware package with live
progress. It then extracts the package into the folder of the SigmaTel MSCN
Audio Player software, a Windows program run under Wine, and starts its
updater there.")
include(CPack)
