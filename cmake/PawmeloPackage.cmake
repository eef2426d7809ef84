# Installation and the Debian package (scripts/package.sh).
#
# The install follows the layout of a desktop program under a prefix (/usr
# in the package):
#   bin/pawmelo                 the launcher, which gives each user a program
#                               folder of their own and starts Pawmelo there
#   lib/pawmelo/pawmelo         the executable, copied by the launcher
#   share/pawmelo/Sound, share/pawmelo/画像データ   the assets, linked by it
#   share/applications, share/metainfo, share/icons/hicolor   the desktop metadata
# The launcher finds the rest from its own place, so an install under any
# prefix (~/.local too) works the same.

set(PAWMELO_APP_ID "io.github.pawmelo.Pawmelo")
set(PAWMELO_LIBEXEC_DIR "lib/pawmelo")
set(PAWMELO_DATA_DIR "share/pawmelo")

# Installing must not build the tests and benchmarks first; scripts/package.sh
# builds the program itself.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

set(package_dir "${CMAKE_SOURCE_DIR}/packaging")
set(generated_dir "${CMAKE_BINARY_DIR}/packaging")
configure_file("${package_dir}/pawmelo.sh.in" "${generated_dir}/pawmelo" @ONLY)
configure_file("${package_dir}/${PAWMELO_APP_ID}.metainfo.xml.in" "${generated_dir}/${PAWMELO_APP_ID}.metainfo.xml"
               @ONLY)

install(TARGETS pawmelo RUNTIME DESTINATION "${PAWMELO_LIBEXEC_DIR}")
install(PROGRAMS "${generated_dir}/pawmelo" DESTINATION bin)
foreach(asset_dir IN ITEMS "${PAWMELO_SOUND_DIR_NAME}" "${PAWMELO_PICTURES_DIR_NAME}")
    install(DIRECTORY "${CMAKE_SOURCE_DIR}/assets/${asset_dir}" DESTINATION "${PAWMELO_DATA_DIR}")
endforeach()
install(FILES "${package_dir}/${PAWMELO_APP_ID}.desktop" DESTINATION share/applications)
install(FILES "${generated_dir}/${PAWMELO_APP_ID}.metainfo.xml" DESTINATION share/metainfo)
# Each icon in the folder of its real size.
install(FILES "${CMAKE_SOURCE_DIR}/assets/desktop/icon_128.png" DESTINATION share/icons/hicolor/128x128/apps
        RENAME "${PAWMELO_APP_ID}.png")
install(FILES "${CMAKE_SOURCE_DIR}/assets/panel/icon.png" DESTINATION share/icons/hicolor/32x32/apps
        RENAME "${PAWMELO_APP_ID}.png")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pawmelo)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "new-mail checker with a desktop mascot (Japanese interface)")
# The summary is the description's first line; this is the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A small cat stands on the desktop and checks one POP3 mailbox, by hand or
every few minutes. New mail starts the user's mail program, or raises a
notice board with the count, an alert tune and a second, wandering figure.
Each user gets a program folder of their own under ~/.local/share/pawmelo.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Pawmelo developers <pawmelo@example.com>")
# The libraries come from what the executable links; the General MIDI
# SoundFont, a Japanese font and Qt's own Japanese texts (its dialogs'
# buttons) are only opened at run time, so they are named here (any of the
# SoundFonts and fonts the program looks for).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(run_time_packages "timgm6mb-soundfont | fluid-soundfont-gm"
                      "fonts-ipafont-gothic | fonts-noto-cjk | fonts-vlgothic" qt6-translations-l10n)
list(JOIN run_time_packages ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
include(CPack)
