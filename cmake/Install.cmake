# Installing and packaging: `cmake --install` puts saver and saverpack under
# the prefix, the runtime also where XScreenSaver looks for its programs
# (libexec/xscreensaver/), the Flash player in libexec/quorbel-saver/ with
# its page and Ruffle in share/quorbel-saver/flash-player/, with their manual
# pages and the fontconfig aliases for the Windows face names. CPack turns the same into a Debian package
# (scripts/package).
include(GNUInstallDirs)

# Installing copies what is built and builds nothing itself: the package needs
# only the two programs, not the tests and benchmarks of a full build.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

install(TARGETS saver saverpack RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# XScreenSaver finds its programs in its own folder: the runtime is there as a
# link to the one in bin.
install(CODE "
  set(hackdir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver\")
  file(MAKE_DIRECTORY \"\${hackdir}\")
  message(STATUS \"Installing: \${hackdir}/saver\")
  file(CREATE_LINK ../../${CMAKE_INSTALL_BINDIR}/saver \"\${hackdir}/saver\" SYMBOLIC)
")
# The Flash player program and its page with Ruffle's web build, where the
# runtime looks for them (src/platform/RuffleFlash.cpp).
if(TARGET saver-flash-player)
  install(TARGETS saver-flash-player RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/quorbel-saver)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/flash-player/ DESTINATION ${CMAKE_INSTALL_DATADIR}/quorbel-saver/flash-player
          PATTERN .stamp EXCLUDE PATTERN .version EXCLUDE)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/docs/man/saver.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${PROJECT_SOURCE_DIR}/docs/man/saverpack.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/data/fonts/61-saver-windows-faces.conf
        DESTINATION ${CMAKE_INSTALL_DATADIR}/fontconfig/conf.avail)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorbel-saver)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quorbel maintainers <maintainers@quorbel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "screensaver runtime that carries its own pictures, music and movies")
set(CPACK_PACKAGE_DESCRIPTION "A screensaver file is this runtime with its content appended: a slideshow of
JPEG pictures with 150 transition styles and background music, or Flash
movies, played by Ruffle (included) in a WebKitGTK view. It runs full
screen, under XScreenSaver, or in a preview window.
saverpack makes such files from pictures and adds them to XScreenSaver.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
# The libraries the programs link (found by dpkg-shlibdeps, with versions),
# and by name the ones the runtime needs whatever it links today: the window
# and sound layers, JPEG, PNG, the text stack and the fonts it draws with.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libsdl2-2.0-0, libsdl2-mixer-2.0-0, libjpeg62-turbo, zlib1g, libfreetype6, libfontconfig1, fontconfig, fonts-dejavu-core, fonts-wqy-zenhei, fonts-arphic-ukai")
# MIDI music needs a General MIDI sound font.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "timgm6mb-soundfont | fluid-soundfont-gm")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xscreensaver")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/debian/postinst ${PROJECT_SOURCE_DIR}/packaging/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
