# The board's font /etc/bw-eurs.bmf, made by the font compiler (tools/mkbmf)
# from a Debian font: the 12-pixel bitmap strike of Terminus (fonts-terminus)
# for Latin-1, Latin Extended-A and -B, Greek, Cyrillic and general
# punctuation. Every board program gets it as a fixture of its own, laid out
# after the phone's (PROJECT_BOARD_FONT_FIXTURE); bw-eurs.png beside it shows
# its glyphs.
file(GLOB board_font_sources /usr/share/fonts/truetype/terminus/TerminusTTF-[0-9]*.ttf)
list(SORT board_font_sources)
list(POP_BACK board_font_sources board_font_source)
if(NOT board_font_source)
  message(FATAL_ERROR "The board's font is made from Terminus: install the Debian package fonts-terminus "
                      "(scripts/deps.sh does).")
endif()

set(board_font ${PROJECT_BOARD_FONT_FIXTURE}/etc/bw-eurs.bmf)
set(board_font_sheet ${PROJECT_BOARD_FONT_FIXTURE}/../bw-eurs.png)
set(board_font_runner "")
if(CMAKE_CROSSCOMPILING)
  set(board_font_runner ${CMAKE_CROSSCOMPILING_EMULATOR})
endif()
add_custom_command(OUTPUT ${board_font}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BOARD_FONT_FIXTURE}/etc
  COMMAND ${board_font_runner} $<TARGET_FILE:mkbmf> --size 12
          --range 20-7E --range A0-24F --range 370-3FF --range 400-4FF --range 2010-205E --range 20AC
          --sheet ${board_font_sheet} ${board_font_source} ${board_font}
  DEPENDS mkbmf ${board_font_source}
  COMMENT "Making the board's font bw-eurs.bmf"
  VERBATIM)
add_custom_target(boardfont ALL DEPENDS ${board_font})
