# Installation (cmake --install) and the Debian package (CPack; scripts/package builds it).
# Layout under the prefix, which the programs rely on to find what ships with them
# (src/core/install_paths.h): bin/ the programs, lib/dropscout/ the demo services, share/dropscout/ the
# data files, and the desktop's share/applications, icons, metainfo and man pages.

set(DROPSCOUT_MAINTAINER "DropScout developers <maintainers@dropscout.example.org>" CACHE STRING
    "Maintainer named in the package and its changelog")
# The day this version was released (Unix time at 00:00 UTC); moved on with the project's VERSION.
set(DROPSCOUT_RELEASE_EPOCH 1796774400)
set(DROPSCOUT_APPSTREAM_ID org.dropscout.DropScout)

# Dates for the changelog and the AppStream release, formatted from the fixed release day so that two
# builds of one version give the same files.
set(saved_epoch "$ENV{SOURCE_DATE_EPOCH}")
set(ENV{SOURCE_DATE_EPOCH} ${DROPSCOUT_RELEASE_EPOCH})
string(TIMESTAMP DROPSCOUT_RELEASE_TIME "%a, %d %b %Y %H:%M:%S +0000" UTC)
string(TIMESTAMP DROPSCOUT_RELEASE_DATE "%Y-%m-%d" UTC)
set(ENV{SOURCE_DATE_EPOCH} "${saved_epoch}")

set(packaging_out ${CMAKE_BINARY_DIR}/packaging)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${packaging_out}/changelog @ONLY)

# Debian wants the changelog and manual pages compressed, without a time stamp in the gzip header.
find_program(GZIP_PROGRAM gzip REQUIRED)
find_program(HELP2MAN_PROGRAM help2man)
set(compressed_docs ${packaging_out}/gz/changelog.gz)
add_custom_command(OUTPUT ${packaging_out}/gz/changelog.gz
                   COMMAND ${CMAKE_COMMAND} -E copy ${packaging_out}/changelog ${packaging_out}/gz/changelog
                   COMMAND ${GZIP_PROGRAM} -9nf ${packaging_out}/gz/changelog
                   DEPENDS ${packaging_out}/changelog VERBATIM)

# A manual page made by help2man from the program's --help. The program is run by its bare name from
# the build folder, so the page shows the name a user types, not a build path; in a UTF-8 locale (help2man
# runs it in "C", where Qt prints Chinese as question marks); dated by the release day. The sanitizer build
# makes none: its programs are for the tests only.
function(dropscout_man_page target summary)
  if(NOT HELP2MAN_PROGRAM OR DROPSCOUT_SANITIZE)
    return()
  endif()
  set(page ${packaging_out}/man/${target}.1)
  add_custom_command(OUTPUT ${page}.gz
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging_out}/man
                     COMMAND ${CMAKE_COMMAND} -E env "PATH=$<TARGET_FILE_DIR:${target}>:/usr/bin:/bin"
                             QT_QPA_PLATFORM=offscreen SOURCE_DATE_EPOCH=${DROPSCOUT_RELEASE_EPOCH}
                             ${HELP2MAN_PROGRAM} --no-info --no-discard-stderr --section=1 --locale=C.UTF-8
                             --version-string=${PROJECT_VERSION} --name=${summary} --output=${page} ${target}
                     COMMAND ${GZIP_PROGRAM} -9nf ${page}
                     DEPENDS ${target} VERBATIM)
  set_property(GLOBAL APPEND PROPERTY DROPSCOUT_MAN_PAGES ${page}.gz)
  install(FILES ${page}.gz DESTINATION share/man/man1)
endfunction()

install(TARGETS dropscout RUNTIME DESTINATION bin)
install(TARGETS dropscout_demo_services RUNTIME DESTINATION lib/dropscout)
dropscout_man_page(dropscout "expired domain name assistant for domain investors")
install(FILES ${PROJECT_SOURCE_DIR}/data/schema_sqlite.sql ${PROJECT_SOURCE_DIR}/data/schema_sqlserver.sql
              ${PROJECT_SOURCE_DIR}/data/rdap_dns.json ${PROJECT_SOURCE_DIR}/data/whois_servers.txt
              ${PROJECT_SOURCE_DIR}/data/demo.ini ${PROJECT_SOURCE_DIR}/data/demo_rdap_dns.json
              ${PROJECT_SOURCE_DIR}/data/demo_whois_servers.txt
        DESTINATION share/dropscout)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/dropscout.desktop DESTINATION share/applications)
foreach(size 48 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/src/skin/art/dropscout-${size}.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME dropscout.png)
endforeach()
install(FILES ${packaging_out}/${DROPSCOUT_APPSTREAM_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${packaging_out}/gz/changelog.gz
        DESTINATION share/doc/dropscout)

# The command-line program is another target that may be defined anywhere in the top folder; its rules,
# and the AppStream file that names the programs, are made once the whole folder has been read.
function(dropscout_install_late_programs)
  set(DROPSCOUT_METAINFO_BINARIES "<binary>dropscout</binary>")
  if(TARGET dropscout-cli)
    install(TARGETS dropscout-cli RUNTIME DESTINATION bin)
    dropscout_man_page(dropscout-cli "search, check and export expired domain names without a window")
    string(APPEND DROPSCOUT_METAINFO_BINARIES "\n    <binary>dropscout-cli</binary>")
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/packaging/dropscout.metainfo.xml.in
                 ${packaging_out}/${DROPSCOUT_APPSTREAM_ID}.metainfo.xml @ONLY)
  get_property(pages GLOBAL PROPERTY DROPSCOUT_MAN_PAGES)
  # Built with everything else, so that cmake --install and CPack find them.
  add_custom_target(dropscout_package_files ALL DEPENDS ${compressed_docs} ${pages})
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL dropscout_install_late_programs)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dropscout)
set(CPACK_PACKAGE_VENDOR "DropScout developers")
set(CPACK_PACKAGE_CONTACT "${DROPSCOUT_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "expired domain name assistant for domain investors")
set(CPACK_PACKAGE_DESCRIPTION
    "DropScout (过期域名助手) connects to the operator's database of expiring and\n"
    "expired domain names, many still carrying an ICP filing, searches it with\n"
    "many filters, pages through the matches and checks chosen rows live on the\n"
    "web: registration status, site metrics and the filing.\n"
    "\n"
    "dropscout --demo works offline on a generated database, with the outside\n"
    "services played on loopback.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${DROPSCOUT_MAINTAINER}")
# The libraries it links come from dpkg-shlibdeps; Qt's window-system plugins are loaded, not linked.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Chinese glyphs, Qt's own texts in Chinese, the SQL Server driver, links opened in the browser, and the
# distribution's current public suffix list (libpsl falls back to the one built into it).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-wqy-microhei | fonts-noto-cjk, qt6-translations-l10n, tdsodbc, xdg-utils, publicsuffix")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
