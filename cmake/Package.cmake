# The Debian package (Linux only): from a Release build, `cpack -G DEB` in the build folder.
# The plug-ins go to /usr/lib/vst, plughost to /usr/bin with its manual page, the factory
# presets to /usr/share/ombrisk-vorlane/presets; Depends comes from the shared libraries the
# installed files actually link (dpkg-shlibdeps).
set(OV_PACKAGE_LICENSE MIT)

set(CPACK_PACKAGE_NAME ${OV_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Ombrisk and Vorlane maintainers")
set(CPACK_PACKAGE_CONTACT "Ombrisk and Vorlane maintainers <maintainers@users.noreply.c-seed-8c5181fa.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "VST 2 delay and waveshaper plug-ins, with a command-line VST 2 host")
set(CPACK_PACKAGE_DESCRIPTION
"Two audio-effect plug-ins for Linux hosts that load VST 2 plug-ins (Ardour, Qtractor,
MusE, Audacity and others), installed where those hosts look:
 - Ombrisk, a tempo-synced mono-in, stereo-out delay with reverse and alternating
   playback, sixteen programs and its own editor;
 - Vorlane, a stereo waveshaper whose transfer curve is drawn in its editor.
.
It also carries plughost, a command-line host for any VST 2 plug-in: it prints what a
plug-in reports, renders sound files through it, loads and saves preset files (.fxp,
.fxb), shows its editor and checks it as a careful host would (with JUnit reports for
CI systems). Factory presets for both plug-ins come as preset files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# Debian keeps a package's licence in its copyright file.
set(copyright ${CMAKE_BINARY_DIR}/copyright)
file(WRITE ${copyright}
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: ${OV_PACKAGE_NAME}

Files: *
Copyright: 2026 The Ombrisk and Vorlane maintainers
License: ${OV_PACKAGE_LICENSE}
 Permission is hereby granted, free of charge, to any person obtaining a copy of this
 software and associated documentation files (the \"Software\"), to deal in the Software
 without restriction, including without limitation the rights to use, copy, modify, merge,
 publish, distribute, sublicense, and/or sell copies of the Software, and to permit persons
 to whom the Software is furnished to do so, subject to the following conditions:
 .
 The above copyright notice and this permission notice shall be included in all copies or
 substantial portions of the Software.
 .
 THE SOFTWARE IS PROVIDED \"AS IS\", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR IMPLIED,
 INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY, FITNESS FOR A PARTICULAR
 PURPOSE AND NONINFRINGEMENT. IN NO EVENT SHALL THE AUTHORS OR COPYRIGHT HOLDERS BE LIABLE
 FOR ANY CLAIM, DAMAGES OR OTHER LIABILITY, WHETHER IN AN ACTION OF CONTRACT, TORT OR
 OTHERWISE, ARISING FROM, OUT OF OR IN CONNECTION WITH THE SOFTWARE OR THE USE OR OTHER
 DEALINGS IN THE SOFTWARE.
")
install(FILES ${copyright} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${OV_PACKAGE_NAME})

include(CPack)
