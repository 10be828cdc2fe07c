# The Debian package, made by CPack from what `cmake --install` installs: the same files
# in the same places, under /usr.

# Debian's own files for every package: who made it and under which terms, and its history.
set(package_docs ${CMAKE_INSTALL_DATADIR}/doc/quillo)
install(FILES ${PROJECT_SOURCE_DIR}/resources/package/copyright DESTINATION ${package_docs})
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/package/changelog.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/package
    COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/resources/package/changelog
            > ${PROJECT_BINARY_DIR}/package/changelog.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/resources/package/changelog)
add_custom_target(quillo_package_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/package/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/package/changelog.gz DESTINATION ${package_docs})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillo)
set(CPACK_PACKAGE_VENDOR "The Quillo developers")
set(CPACK_PACKAGE_CONTACT "The Quillo developers <developers@quillo.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "paste the texts you send again and again")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${QUILLO_HOMEPAGE})
# The package's description below its summary; CPack indents it as Debian writes it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quillo keeps the texts you send again and again (replies, addresses,
sign-offs) in one library of snippets, plain or formatted, sorted into
groups. A global shortcut opens a small picker over whatever program you
are in: type a few letters, press Return, and the snippet is pasted right
there, after which your clipboard is put back as it was.

Snippets can hold the date, the clipboard's text and fill-in fields. Quillo
has a tray menu, a library window with a formatted text editor, and imports
aText backups. It works in X11 sessions and on Wayland with GNOME, KDE
Plasma and sway.")
# The libraries the program and its modules link come from the binaries themselves; Qt's
# Wayland platform is loaded by name in Wayland sessions, so it is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-wayland")
# Qt's own dialogs and buttons in the user's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
