# The Debian package: `cpack -G DEB` in a build folder, or scripts/package.sh.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sarvel)
set(CPACK_PACKAGE_VENDOR "Sarvel developers")
set(CPACK_PACKAGE_CONTACT "Sarvel developers <dev@sarvel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "song player for stage performers")
set(CPACK_PACKAGE_DESCRIPTION
    "Sarvel keeps a kit of songs on buttons, twenty themes of fifty song buttons
each. One click plays a song's backing track (mp3, wav or MIDI) while its
words follow along in a text pane.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${SARVEL_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries the program links come from its ELF needs (needs dpkg-dev); the plug-ins, the
# soundfont and the fonts it loads at run time are named here: playbin's decoders and the sound
# server's sink (base, good), the MIDI synthesiser (bad), the MIDI soundfont, the time display's
# font and the window's proportional font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, timgm6mb-soundfont, fonts-dseg, fonts-dejavu-core")
# Sound goes through the sound server; without one the program still runs, silent.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pipewire-pulse | pulseaudio")
include(CPack)
