# The Debian package of a workstation: cpack -G DEB in a build configured with the prefix /usr
# (scripts/package.sh does both). The version is the project's.

set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VENDOR "Quorvane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${QUORVANE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUORVANE_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[exam program for computer typesetting operators
Quorvane examines students of the specialty “computer typesetting
operator”: an examinee registers by name, then answers 40 questions
drawn at random from a question bank, three minutes each; 32 right
answers pass. The last examinee's result is kept, and a second exam
under the same name is refused. The user interface is in Russian.

Экзаменационная программа по специальности «Оператор компьютерного
набора»: 40 случайных вопросов из базы, по три минуты на вопрос,
32 верных ответа — зачёт.

The package includes quorvane-bank, the staff's tool that makes,
checks and converts question banks and prepares a workstation for
an exam; quorvane-editor, the staff's bank editor, which previews
each question in the exam's own question panel; a sample bank, menu
entries and manual pages.]=])
# dpkg-shlibdeps finds the libraries the programs link (SQLite among them: banks are read through
# its C API, not a Qt plugin); it cannot see what Qt loads at run time (the X platform plugin)
# nor the fonts the window layouts are drawn in, nor Qt's own Russian translation the editor
# loads for its dialogs (qt6-translations-l10n). postinst makes the keeper's system account with
# adduser.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "adduser, init-system-helpers (>= 1.54~), qt6-qpa-plugins, qt6-translations-l10n, fonts-liberation2, fonts-dejavu-core")
# Every file is shipped root's and without set-id bits, the keeper too: systemd runs it as its
# own account (init-system-helpers' deb-systemd-helper enables its socket, as debhelper would).
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    "${PROJECT_BINARY_DIR}/data/debian/preinst;${PROJECT_BINARY_DIR}/data/debian/postinst;${PROJECT_BINARY_DIR}/data/debian/prerm;${PROJECT_BINARY_DIR}/data/debian/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_GENERATOR DEB)
include(CPack)
