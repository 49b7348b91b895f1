# A Debian package made from the install rules: `cpack -G DEB` in the build folder
# writes jotterly_<version>_<arch>.deb, installed to /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME jotterly)
set(CPACK_PACKAGE_VENDOR "The jotterly developers")
set(CPACK_PACKAGE_CONTACT "The jotterly developers <jotterly@users.noreply.github.com>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${JOTTERLY_WEBSITE_URL})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The synopsis comes from the project's description; this is the text under it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "jotterly keeps everything you copy (plain text, rich text, images, file
references and web links) and gives it back from a searchable panel under its
tray icon or a global shortcut (Alt+Shift+V). Items can be pinned, deleted, or
queued to paste one after another into another application.")

# Libraries the program links come from dpkg-shlibdeps; what it loads at run time
# does not show there: the QML modules its views import (with the Fusion style of
# the controls) and the image plugin that reads copied TIFF pictures.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(jotterly_runtime_packages
    qml6-module-qtquick
    qml6-module-qtquick-controls
    qml6-module-qtquick-templates
    qml6-module-qtquick-layouts
    qml6-module-qtquick-window
    qml6-module-qtqml-workerscript
    qt6-image-formats-plugins)
list(JOIN jotterly_runtime_packages ", " CPACK_DEBIAN_PACKAGE_DEPENDS)

include(CPack)
