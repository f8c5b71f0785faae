# The Debian packages, made by CPack from the install rules' components:
#   korvel        the host (/usr/bin/korvel), the gfp plug-ins
#                 (/usr/lib/korvel/), the MIME types; and whatever is installed
#                 without a component (the unnamed component) or as "library"
#   korvel-gnome  the gdk-pixbuf loaders and the thumbnailer entry ("gnome")
#   korvel-kde    the Qt 5 image-format plug-in and the KDE thumbnailer ("kde")
#   korvel-qt6    the Qt 6 image-format plug-in ("qt6")
#   korvel-dev    headers and pkg-config files ("dev"), where there are any
# each with a copyright file, its Depends from dpkg-shlibdeps, and triggers
# that refresh the MIME database and the gdk-pixbuf loaders cache when it is
# installed or removed. `cmake --build build --target package` writes them to
# build/packages/ (korvel_VERSION_amd64.deb, ...). Included last, when every
# install rule is known.

if(CMAKE_CROSSCOMPILING OR NOT UNIX OR APPLE)
  return()
endif()
find_program(KORVEL_DPKG_DEB dpkg-deb)
find_program(KORVEL_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(NOT KORVEL_DPKG_DEB OR NOT KORVEL_DPKG_SHLIBDEPS)
  message(STATUS "dpkg-deb or dpkg-shlibdeps not found: the Debian packages are not made (Debian: dpkg-dev)")
  return()
endif()

set(KORVEL_PACKAGE_MAINTAINER "korvel developers <korvel@localhost>" CACHE STRING
    "The Maintainer of the Debian packages")

# Each component's package: its name, the component's group, what it needs
# beyond its libraries and what it activates.
get_cmake_property(korvel_components COMPONENTS)
set(korvel_package_dir ${CMAKE_BINARY_DIR}/debian)
set(korvel_mime_trigger /usr/share/mime/packages)
set(korvel_loaders_trigger /usr/${KORVEL_PIXBUF_LOADER_INSTALL_DIR})
foreach(component IN LISTS korvel_components)
  if(component STREQUAL "Unspecified" OR component STREQUAL "mime" OR component STREQUAL "library")
    set(group base)
  else()
    set(group ${component})
  endif()
  string(TOUPPER "${component}" upper)
  set(CPACK_COMPONENT_${upper}_GROUP ${group})
  list(APPEND korvel_groups ${group})
endforeach()
list(REMOVE_DUPLICATES korvel_groups)

foreach(group IN LISTS korvel_groups)
  string(TOUPPER "${group}" upper)
  if(group STREQUAL "base")
    set(package korvel)
    set(triggers ${korvel_mime_trigger})
    set(CPACK_DEBIAN_BASE_PACKAGE_RECOMMENDS "shared-mime-info")
    set(CPACK_DEBIAN_BASE_PACKAGE_SUGGESTS "korvel-gnome, korvel-kde, korvel-qt6")
    set(CPACK_DEBIAN_BASE_DESCRIPTION "ZX Spectrum picture reader: converter and gfp plug-ins
korvel reads ZX Spectrum pictures (screens, multicolour and gigascreen
pictures, Hobeta files, packed screens and more) and the pictures inside
tapes, snapshots and disk images. This package holds the command-line
converter to PNG (korvel), the three gfp picture-reader plug-ins for image
viewers in /usr/lib/korvel/, and the MIME types of the ZX files.")
  else()
    set(package korvel-${group})
    set(triggers "")
    set(CPACK_DEBIAN_${upper}_PACKAGE_DEPENDS "korvel (= ${PROJECT_VERSION})")
  endif()
  if(group STREQUAL "gnome")
    set(triggers ${korvel_loaders_trigger})
    set(CPACK_DEBIAN_GNOME_PACKAGE_RECOMMENDS "libgdk-pixbuf2.0-bin")
    set(CPACK_DEBIAN_GNOME_DESCRIPTION "ZX Spectrum pictures for GTK programs and GNOME thumbnails
gdk-pixbuf loader modules for ZX Spectrum pictures, so that GTK image
viewers open them and the file manager shows thumbnails of them and of the
tapes, snapshots and disk images they live in.")
  elseif(group STREQUAL "kde")
    set(CPACK_DEBIAN_KDE_DESCRIPTION "ZX Spectrum pictures for KDE and Qt 5 programs
A Qt 5 image-format plug-in for ZX Spectrum pictures, so that Gwenview and
every Qt 5 program that reads images opens them, and, where built, a KDE
thumbnailer for Dolphin's previews of tapes, snapshots and disk images.")
  elseif(group STREQUAL "qt6")
    set(CPACK_DEBIAN_QT6_DESCRIPTION "ZX Spectrum pictures for Qt 6 programs
A Qt 6 image-format plug-in for ZX Spectrum pictures, so that every Qt 6
program that reads images opens them.")
  elseif(group STREQUAL "dev")
    set(CPACK_DEBIAN_DEV_DESCRIPTION "ZX Spectrum picture reader: development files")
  endif()
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${package})
  # The copyright file every package carries, and its triggers.
  foreach(component IN LISTS korvel_components)
    string(TOUPPER "${component}" component_upper)
    if(CPACK_COMPONENT_${component_upper}_GROUP STREQUAL group)
      install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package}
              COMPONENT ${component} EXCLUDE_FROM_ALL)
      break()
    endif()
  endforeach()
  set(control "")
  foreach(trigger IN LISTS triggers)
    string(APPEND control "activate-noawait ${trigger}\n")
  endforeach()
  if(control)
    file(CONFIGURE OUTPUT ${korvel_package_dir}/${package}/triggers CONTENT "${control}")
    set(CPACK_DEBIAN_${upper}_PACKAGE_CONTROL_EXTRA ${korvel_package_dir}/${package}/triggers)
  endif()
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvel)
set(CPACK_PACKAGE_VENDOR "korvel")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${KORVEL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/packages)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ONE_PER_GROUP)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
include(CPack)

# Installing them is tested only where the system may be changed.
option(KORVEL_PACKAGE_TESTS "Test the Debian packages by installing them system-wide (as root)" OFF)
if(KORVEL_BUILD_TESTS AND TARGET korvel AND NOT KORVEL_SANITIZE)
  if("$ENV{CI}" STREQUAL "true" OR KORVEL_PACKAGE_TESTS)
    find_program(KORVEL_PIXBUF_THUMBNAILER gdk-pixbuf-thumbnailer)
    enable_testing()
    add_subdirectory(tests/package)
  else()
    message(STATUS "The Debian packages' install test is not run: it changes the system "
                   "(CI=true or -DKORVEL_PACKAGE_TESTS=ON, as root)")
  endif()
endif()
