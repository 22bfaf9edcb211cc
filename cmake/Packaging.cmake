# What an installation adds beyond the programs and their data: the launcher, icons, the novel-list
# file type, AppStream metadata, and the Debian package built from all of it (scripts/package.sh).

set(QUIVERAL_APP_ID io.github.quiveral.Quiveral)
set(QUIVERAL_MAINTAINER "Quiveral developers <quiveral@users.noreply.github.com>")
set(desktop_data ${CMAKE_SOURCE_DIR}/data)

# Desktops and software centres match a program to its launcher by the AppStream id.
install(FILES ${desktop_data}/quiveral.desktop DESTINATION share/applications RENAME ${QUIVERAL_APP_ID}.desktop)
install(FILES ${desktop_data}/${QUIVERAL_APP_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${desktop_data}/quiveral-mime.xml DESTINATION share/mime/packages RENAME quiveral.xml)
install(FILES ${desktop_data}/icons/quiveral.svg DESTINATION share/icons/hicolor/scalable/apps)

# The bitmap sizes are drawn from the one SVG, so there is nothing to keep in step by hand.
find_program(RSVG_CONVERT rsvg-convert)
if(RSVG_CONVERT)
    set(icon_svg ${desktop_data}/icons/quiveral.svg)
    set(icon_pngs)
    foreach(size 16 22 24 32 48 64 128 256)
        set(png ${CMAKE_BINARY_DIR}/icons/${size}x${size}/quiveral.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
            COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${icon_svg}
            DEPENDS ${icon_svg} VERBATIM)
        list(APPEND icon_pngs ${png})
        install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/apps)
    endforeach()
    add_custom_target(quiveral_icons ALL DEPENDS ${icon_pngs})
    # Built with the program, so an install after building only the programs finds the pictures.
    add_dependencies(quiveral quiveral_icons)
else()
    message(WARNING "rsvg-convert (librsvg2-bin) not found: only the SVG icon is installed")
endif()

# A Debian package carries its licence and a changelog, the changelog compressed as dpkg expects.
set(doc_dir ${CMAKE_BINARY_DIR}/doc)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in ${doc_dir}/changelog @ONLY)
execute_process(COMMAND gzip -9nf ${doc_dir}/changelog RESULT_VARIABLE gzip_failed)
if(gzip_failed)
    message(FATAL_ERROR "gzip could not compress ${doc_dir}/changelog")
endif()
install(FILES ${doc_dir}/changelog.gz ${CMAKE_CURRENT_LIST_DIR}/debian/copyright
    DESTINATION share/doc/quiveral)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quiveral)
set(CPACK_PACKAGE_VENDOR "Quiveral developers")
set(CPACK_PACKAGE_CONTACT ${QUIVERAL_MAINTAINER})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "collects serialised web novels for offline reading")
# dpkg shows the description as it stands: lines are kept short by hand.
set(CPACK_PACKAGE_DESCRIPTION [[
Quiveral registers a web novel by the address of its table-of-contents
page, finds the chapters with per-site text markers, downloads and cleans
them and keeps every chapter for offline reading. Renewal later fetches
only the new chapters, on command or on a timer. Novels can be read,
edited, converted between simplified and traditional Chinese, searched and
exported as CHM e-books, text, Word documents or HTML.

The user interface is Chinese. The package holds the desktop program
quiveral and the command-line program quiveral-cli.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QUIVERAL_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/quiveral/quiveral)
# Libraries come from dpkg-shlibdeps; what is only loaded or run at run time has to be named: the
# SQLite driver of Qt SQL, the sound plugins (playing crashes without them), chmcmd and tesseract.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6sql6-sqlite, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, fp-utils, tesseract-ocr, tesseract-ocr-chi-sim")
# Reading aloud goes through speech-dispatcher, which Qt reaches by its plugin.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-wqy-microhei, xchm, speech-dispatcher, qt6-speech-speechd-plugin, espeak-ng")
include(CPack)

if(QUIVERAL_BUILD_TESTS)
    add_test(NAME packaging/desktop_file COMMAND desktop-file-validate ${desktop_data}/quiveral.desktop)
    add_test(NAME packaging/metainfo
        COMMAND appstreamcli validate --no-net ${desktop_data}/${QUIVERAL_APP_ID}.metainfo.xml)
    add_test(NAME packaging/install_tree
        COMMAND ${CMAKE_CURRENT_LIST_DIR}/check-install-tree.sh ${CMAKE_BINARY_DIR} ${PROJECT_VERSION})
    set_tests_properties(packaging/desktop_file packaging/metainfo packaging/install_tree PROPERTIES TIMEOUT 120)
endif()
